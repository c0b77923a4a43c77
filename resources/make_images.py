#!/usr/bin/env python3
"""Draws the program's icons, finder bitmaps and finder cursor.

Writes, next to this script:
  Mavrion.ico   (128) a screen with a red record dot
  Recording.ico (129) a round button with a pause glyph
  Paused.ico    (130) a round button with a play glyph
  FinderFull.bmp  (136) miniature window with the crosshair target
  FinderEmpty.bmp (137) the same window with an empty body
  Finder.cur      (138) the crosshair target alone, hot spot (15, 15)

Standard library only; the generated files are kept in the tree so the
build needs no Python. Run it again after changing a drawing.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- canvas


class Canvas:
    """RGBA pixels, row 0 at the top; shapes are drawn with 4x4 coverage
    sampling so round edges get soft alpha."""

    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0 or not (0 <= x < self.size and 0 <= y < self.size):
            return
        r, g, b = colour
        dr, dg, db, da = self.px[y][x]
        a = coverage
        out_a = a + da / 255.0 * (1 - a)
        if out_a <= 0:
            return

        def mix(s, d):
            return int(round((s * a + d * (da / 255.0) * (1 - a)) / out_a))

        self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), int(round(out_a * 255)))

    def shape(self, inside, colour):
        """Fills every pixel by the share of its 16 samples inside()."""
        for y in range(self.size):
            for x in range(self.size):
                hits = 0
                for sy in range(4):
                    for sx in range(4):
                        if inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4):
                            hits += 1
                self.blend(x, y, colour, hits / 16.0)

    def circle(self, cx, cy, radius, colour):
        self.shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius, colour)

    def rect(self, left, top, right, bottom, colour):
        self.shape(lambda x, y: left <= x < right and top <= y < bottom, colour)

    def polygon(self, points, colour):
        def inside(x, y):
            result = False
            j = len(points) - 1
            for i, (xi, yi) in enumerate(points):
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result

        self.shape(inside, colour)


# ---------------------------------------------------------------- icons


def draw_application_icon(size):
    """A monitor with a blue screen and a red record dot."""
    s = size / 32.0
    c = Canvas(size)
    c.rect(3 * s, 4 * s, 29 * s, 23 * s, (40, 44, 52))        # bezel
    c.rect(5 * s, 6 * s, 27 * s, 21 * s, (70, 130, 200))      # screen
    c.rect(5 * s, 6 * s, 27 * s, 9 * s, (186, 210, 234))      # a window's title on it
    c.rect(13 * s, 23 * s, 19 * s, 26 * s, (90, 96, 108))     # neck
    c.rect(9 * s, 26 * s, 23 * s, 28 * s, (40, 44, 52))       # foot
    c.circle(20.5 * s, 15.5 * s, 6.0 * s, (255, 255, 255))    # the dot's light rim
    c.circle(20.5 * s, 15.5 * s, 5.0 * s, (220, 30, 30))      # record dot
    return c


def round_button(size, face):
    s = size / 32.0
    c = Canvas(size)
    c.circle(16 * s, 16 * s, 15.2 * s, (30, 60, 110))   # dark rim
    c.circle(16 * s, 16 * s, 13.6 * s, face)           # face
    c.circle(14 * s, 12 * s, 8.0 * s, tuple(min(255, v + 35) for v in face))  # light spot
    return c, s


def draw_pause_icon(size):
    """Shown while recording: a round button with a pause glyph."""
    c, s = round_button(size, (92, 160, 212))
    c.rect(10.5 * s, 9 * s, 14.5 * s, 23 * s, (255, 255, 255))
    c.rect(17.5 * s, 9 * s, 21.5 * s, 23 * s, (255, 255, 255))
    return c


def draw_play_icon(size):
    """Shown while paused: a round button with a play glyph."""
    c, s = round_button(size, (92, 160, 212))
    c.polygon([(12 * s, 8.5 * s), (12 * s, 23.5 * s), (24 * s, 16 * s)], (255, 255, 255))
    return c


def icon_image(canvas):
    """One icon image: 32-bit BGRA colour rows bottom-up, then the 1-bit AND
    mask (set where the pixel is transparent), rows padded to 4 bytes."""
    size = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = canvas.px[y][x]
            colour += bytes((b, g, r, a))
    mask = bytearray()
    row_bytes = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = bytearray(row_bytes)
        for x in range(size):
            if canvas.px[y][x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(colour) + bytes(mask)


def write_icon(name, draw):
    images = [icon_image(draw(32)), icon_image(draw(16))]
    sizes = [32, 16]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(out)


# ---------------------------------------------------------------- finder pictures

# The 16 colours of the finder bitmaps. Entry 7 is the dialog face colour
# the picture stands on.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (240, 240, 240),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, FACE, GREY, BLUE, WHITE = 0, 7, 8, 12, 15

# The target's centre in the picture at rest; the drag cursor's hot spot
# lines up with it when the drag starts.
TARGET_X, TARGET_Y = 15, 18


def target_pixels(cx, cy, radius=6, arm=9):
    """The crosshair target: a circle crossed by a vertical and a
    horizontal line, as a set of (x, y)."""
    points = set()
    for step in range(720):
        angle = step * math.pi / 360
        points.add((int(round(cx + radius * math.cos(angle))), int(round(cy + radius * math.sin(angle)))))
    for d in range(-arm, arm + 1):
        points.add((cx + d, cy))
        points.add((cx, cy + d))
    return points


def finder_window(with_target):
    """32x32 palette indexes: a miniature window (black border, blue title
    bar with grey boxes at its corners, white body)."""
    px = [[FACE] * 32 for _ in range(32)]
    left, top, right, bottom = 2, 3, 29, 30            # border, inclusive
    for x in range(left, right + 1):
        px[top][x] = BLACK
        px[bottom][x] = BLACK
    for y in range(top, bottom + 1):
        px[y][left] = BLACK
        px[y][right] = BLACK
    for y in range(top + 1, top + 6):                  # title bar rows 4..8
        for x in range(left + 1, right):
            px[y][x] = BLUE
    for y in range(top + 2, top + 5):                  # corner boxes
        for x in (left + 2, left + 3, left + 4, right - 4, right - 3, right - 2):
            px[y][x] = GREY
    for x in range(left + 1, right):                   # line under the title
        px[top + 6][x] = BLACK
    for y in range(top + 7, bottom):                   # body rows 10..29
        for x in range(left + 1, right):
            px[y][x] = WHITE
    if with_target:
        for x, y in target_pixels(TARGET_X, TARGET_Y):
            px[y][x] = BLACK
    return px


def write_bitmap(name, px):
    """A 4-bit BMP file, rows bottom-up, each padded to 4 bytes."""
    row_bytes = 16
    pixels = bytearray()
    for y in reversed(range(32)):
        row = bytearray(row_bytes)
        for x in range(32):
            row[x // 2] |= px[y][x] << (4 if x % 2 == 0 else 0)
        pixels += row
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 32, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(head + info + palette + bytes(pixels))


# ---------------------------------------------------------------- finder cursor

CURSOR_HOT_X, CURSOR_HOT_Y = 15, 15


def write_cursor(name):
    """A 32x32 monochrome cursor: black target with a white halo so it shows
    on dark windows too; the rest transparent."""
    target = target_pixels(CURSOR_HOT_X, CURSOR_HOT_Y, radius=7, arm=11)
    halo = set()
    for x, y in target:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                halo.add((x + dx, y + dy))
    halo -= target
    xor_rows, and_rows = bytearray(), bytearray()
    for y in reversed(range(32)):
        xor_row, and_row = bytearray(4), bytearray(b"\xff" * 4)
        for x in range(32):
            bit = 0x80 >> (x % 8)
            if (x, y) in target or (x, y) in halo:
                and_row[x // 8] &= ~bit & 0xFF
            if (x, y) in halo:
                xor_row[x // 8] |= bit
        xor_rows += xor_row
        and_rows += and_row
    palette = struct.pack("<BBBB", 0, 0, 0, 0) + struct.pack("<BBBB", 255, 255, 255, 0)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor_rows) + len(and_rows), 0, 0, 2, 0)
    image = info + palette + bytes(xor_rows) + bytes(and_rows)
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, CURSOR_HOT_X, CURSOR_HOT_Y, len(image), 6 + 16)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(head + entry + image)


def main():
    write_icon("Mavrion.ico", draw_application_icon)
    write_icon("Recording.ico", draw_pause_icon)
    write_icon("Paused.ico", draw_play_icon)
    write_bitmap("FinderFull.bmp", finder_window(with_target=True))
    write_bitmap("FinderEmpty.bmp", finder_window(with_target=False))
    write_cursor("Finder.cur")


if __name__ == "__main__":
    main()
