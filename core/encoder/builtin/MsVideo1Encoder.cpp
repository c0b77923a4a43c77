#include "core/encoder/builtin/MsVideo1Encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace mavrion::encoder::builtin {

namespace {

constexpr std::uint32_t kMaxSkipRun = 1023;  // the longest run one skip code holds
constexpr std::uint16_t kMarkColour = 0x8000;

// Nearest 5-bit level of an 8-bit value, judged on the 8-bit value decoders
// expand the level back to ((v << 3) | (v >> 2)), already shifted into place.
struct LevelTable {
  std::uint16_t red[256], green[256], blue[256];
  LevelTable() {
    for (int x = 0; x < 256; ++x) {
      int best = 0;
      int bestError = 256;
      for (int v = 0; v < 32; ++v) {
        int error = std::abs(((v << 3) | (v >> 2)) - x);
        if (error < bestError) {
          bestError = error;
          best = v;
        }
      }
      red[x] = static_cast<std::uint16_t>(best << 10);
      green[x] = static_cast<std::uint16_t>(best << 5);
      blue[x] = static_cast<std::uint16_t>(best);
    }
  }
};

const LevelTable& Levels() {
  static const LevelTable table;
  return table;
}

// Rounded mean of up to 16 five-bit values without a division: m = 2^20 /
// (2n) rounded up is exact here, since no fraction k/n comes within 2^-10 of
// the next whole number.
struct MeanTable {
  std::uint32_t factor[17];
  MeanTable() {
    factor[0] = 0;
    for (int n = 1; n <= 16; ++n) factor[n] = ((1u << 20) + 2 * n - 1) / (2 * n);
  }
};
const MeanTable kMeans;

inline int RoundedMean(int sum, int n) {
  return static_cast<int>((static_cast<std::uint32_t>(2 * sum + n) * kMeans.factor[n]) >> 20);
}

// One block's pixels as 5-bit channels, indexed by the block's flag bits:
// bit 0 is the bottom row's left pixel, bit 15 the top row's right pixel.
// Sixteen-bit lanes let the compiler work on many pixels at once.
struct Block {
  std::int16_t r[16], g[16], b[16];
};

struct Colour {
  int r = 0, g = 0, b = 0;
  std::uint16_t Packed() const { return static_cast<std::uint16_t>((r << 10) | (g << 5) | b); }
};

inline int Distance(const Block& block, int i, const Colour& c) {
  int dr = block.r[i] - c.r, dg = block.g[i] - c.g, db = block.b[i] - c.b;
  return dr * dr + dg * dg + db * db;
}

// Two colours for a set of pixels: a split across the middle of the widest
// channel, then rounds of moving each pixel to the nearer mean. Pixels
// whose flag bit is set take colour a.
struct Pair {
  Colour a, b;
  std::uint32_t flags = 0;
  int error = 0;
};

struct Sums {
  int r = 0, g = 0, b = 0, n = 0;
};

inline Colour MeanOf(const Sums& s) {
  return Colour{RoundedMean(s.r, s.n), RoundedMean(s.g, s.n), RoundedMean(s.b, s.n)};
}

// The channel whose values spread widest, and twice its middle value; null
// when every pixel has the same colour.
const std::int16_t* WidestChannel(const Block& block, const Colour& low, const Colour& high, int* middle) {
  const std::int16_t* channel = block.g;
  int range = high.g - low.g;
  *middle = low.g + high.g;
  if (high.r - low.r > range) channel = block.r, *middle = low.r + high.r, range = high.r - low.r;
  if (high.b - low.b > range) channel = block.b, *middle = low.b + high.b, range = high.b - low.b;
  return range == 0 ? nullptr : channel;
}

// The two groups' mean colours; a group left empty takes the other's.
void TakeMeans(const Sums& a, const Sums& total, Pair* pair) {
  Sums b{total.r - a.r, total.g - a.g, total.b - a.b, total.n - a.n};
  if (a.n == 0 || b.n == 0) {
    pair->a = pair->b = MeanOf(total);
  } else {
    pair->a = MeanOf(a);
    pair->b = MeanOf(b);
  }
}

// The whole block, with its channel sums and ranges already known.
Pair SplitBlock(const Block& block, const Sums& total, const Colour& low, const Colour& high) {
  Pair pair;
  int middle = 0;
  const std::int16_t* channel = WidestChannel(block, low, high, &middle);
  if (!channel) {
    pair.a = pair.b = low;
    return pair;
  }
  std::int16_t inA[16];
  for (int i = 0; i < 16; ++i) inA[i] = static_cast<std::int16_t>(2 * channel[i] > middle ? -1 : 0);
  for (int round = 0; round < 2; ++round) {
    Sums a;
    for (int i = 0; i < 16; ++i) {
      a.r += block.r[i] & inA[i];
      a.g += block.g[i] & inA[i];
      a.b += block.b[i] & inA[i];
      a.n -= inA[i];
    }
    TakeMeans(a, total, &pair);
    // Each pixel to the nearer colour; the second round settles the means.
    int error = 0;
    for (int i = 0; i < 16; ++i) {
      int dr = block.r[i] - pair.a.r, dg = block.g[i] - pair.a.g, db = block.b[i] - pair.a.b;
      int toA = dr * dr + dg * dg + db * db;
      dr = block.r[i] - pair.b.r, dg = block.g[i] - pair.b.g, db = block.b[i] - pair.b.b;
      int toB = dr * dr + dg * dg + db * db;
      inA[i] = static_cast<std::int16_t>(toA < toB ? -1 : 0);
      error += toA < toB ? toA : toB;
    }
    pair.error = error;
    if (error == 0) break;
  }
  for (int i = 0; i < 16; ++i) pair.flags |= static_cast<std::uint32_t>(inA[i] & 1) << i;
  return pair;
}

// One 2x2 quadrant, the same way on four pixels.
Pair SplitQuadrant(const Block& block, const int (&index)[4]) {
  Pair pair;
  Colour low{31, 31, 31}, high{0, 0, 0};
  Sums total;
  for (int i : index) {
    low.r = std::min<int>(low.r, block.r[i]), high.r = std::max<int>(high.r, block.r[i]);
    low.g = std::min<int>(low.g, block.g[i]), high.g = std::max<int>(high.g, block.g[i]);
    low.b = std::min<int>(low.b, block.b[i]), high.b = std::max<int>(high.b, block.b[i]);
    total.r += block.r[i], total.g += block.g[i], total.b += block.b[i];
  }
  total.n = 4;
  int middle = 0;
  const std::int16_t* channel = WidestChannel(block, low, high, &middle);
  if (!channel) {
    pair.a = pair.b = low;
    return pair;
  }
  bool inA[4];
  for (int k = 0; k < 4; ++k) inA[k] = 2 * channel[index[k]] > middle;
  for (int round = 0; round < 2; ++round) {
    Sums a;
    for (int k = 0; k < 4; ++k) {
      if (!inA[k]) continue;
      int i = index[k];
      a.r += block.r[i], a.g += block.g[i], a.b += block.b[i], ++a.n;
    }
    TakeMeans(a, total, &pair);
    int error = 0;
    std::uint32_t flags = 0;
    for (int k = 0; k < 4; ++k) {
      int i = index[k];
      int toA = Distance(block, i, pair.a), toB = Distance(block, i, pair.b);
      inA[k] = toA < toB;
      if (inA[k]) flags |= 1u << i;
      error += inA[k] ? toA : toB;
    }
    pair.flags = flags;
    pair.error = error;
    if (error == 0) break;
  }
  return pair;
}

// The quadrants in the order their colour pairs are stored: bottom-left,
// bottom-right, top-left, top-right.
constexpr int kQuadrant[4][4] = {{0, 1, 4, 5}, {2, 3, 6, 7}, {8, 9, 12, 13}, {10, 11, 14, 15}};

inline void Put16(std::vector<std::uint8_t>* out, std::uint32_t value) {
  out->push_back(static_cast<std::uint8_t>(value & 0xFF));
  out->push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void PutSkips(std::vector<std::uint8_t>* out, std::uint32_t count) {
  // 0x84xx..0x87xx: skip the 10-bit count of blocks, this one included.
  Put16(out, 0x8400u + count);
}

void FlushSkips(std::vector<std::uint8_t>* out, std::uint32_t* pending) {
  if (*pending != 0) PutSkips(out, *pending);
  *pending = 0;
}

}  // namespace

MsVideo1Encoder::MsVideo1Encoder(int width, int height, int quality)
    : width_(width), height_(height), quality_(std::clamp(quality, 1, 100)) {
  // The price of a byte in squared error (5-bit levels): doubling every 7.5
  // quality steps, from about one level of one pixel at 100 to blocks
  // left stale or flattened by several levels at 1.
  double lambda = 0.25 * std::pow(2.0, (100 - quality_) / 7.5);
  lambda16_ = static_cast<std::int32_t>(std::lround(lambda * 16.0));
  if (lambda16_ < 1) lambda16_ = 1;
  std::size_t pixels = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  current_.assign(pixels, 0);
  previous_.assign(pixels, 0);
  decoded_.assign(pixels, 0);
}

void MsVideo1Encoder::ConvertPicture(const BgraImage& picture) {
  const LevelTable& levels = Levels();
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* in = picture.pixels + static_cast<std::ptrdiff_t>(y) * picture.strideBytes;
    std::uint16_t* row = &current_[static_cast<std::size_t>(y) * width_];
    for (int x = 0; x < width_; ++x, in += 4) {
      row[x] = static_cast<std::uint16_t>(levels.blue[in[0]] | levels.green[in[1]] |
                                          levels.red[in[2]]);
    }
  }
}

bool MsVideo1Encoder::Encode(const BgraImage& picture, bool keyFrame,
                             std::vector<std::uint8_t>* out) {
  const bool key = keyFrame || !havePrevious_;
  ConvertPicture(picture);
  counts_ = BlockCounts{};
  out->clear();
  std::size_t blocks = static_cast<std::size_t>(width_ / 4) * static_cast<std::size_t>(height_ / 4);
  out->reserve(blocks * 2 + 64);
  std::uint32_t pendingSkips = 0;
  for (int blockY = height_ / 4 - 1; blockY >= 0; --blockY) {
    for (int blockX = 0; blockX < width_ / 4; ++blockX) {
      EncodeBlock(blockX, blockY, !key, out, &pendingSkips);
    }
  }
  FlushSkips(out, &pendingSkips);
  current_.swap(previous_);
  havePrevious_ = true;
  return key;
}

void MsVideo1Encoder::EncodeRepeat(std::vector<std::uint8_t>* out) const {
  out->clear();
  std::uint32_t blocks = static_cast<std::uint32_t>((width_ / 4) * (height_ / 4));
  while (blocks != 0) {
    std::uint32_t run = std::min(blocks, kMaxSkipRun);
    PutSkips(out, run);
    blocks -= run;
  }
}

void MsVideo1Encoder::EncodeBlock(int blockX, int blockY, bool mayKeep,
                                  std::vector<std::uint8_t>* out, std::uint32_t* pendingSkips) {
  const std::size_t stride = static_cast<std::size_t>(width_);
  const std::size_t top = static_cast<std::size_t>(blockY) * 4 * stride + static_cast<std::size_t>(blockX) * 4;
  const std::uint16_t* cur = &current_[top];
  std::uint16_t* shown = &decoded_[top];

  auto keep = [&] {
    ++counts_.skipped;
    if (++*pendingSkips == kMaxSkipRun) FlushSkips(out, pendingSkips);
  };

  if (mayKeep) {
    // Unchanged since the last picture: what the decoder shows was good
    // enough then and still is.
    const std::uint16_t* prev = &previous_[top];
    if (std::memcmp(cur, prev, 8) == 0 && std::memcmp(cur + stride, prev + stride, 8) == 0 &&
        std::memcmp(cur + 2 * stride, prev + 2 * stride, 8) == 0 &&
        std::memcmp(cur + 3 * stride, prev + 3 * stride, 8) == 0) {
      keep();
      return;
    }
  }

  Block block;
  for (int row = 0; row < 4; ++row) {
    const std::uint16_t* line = cur + (3 - row) * stride;
    for (int x = 0; x < 4; ++x) {
      std::uint16_t p = line[x];
      block.r[row * 4 + x] = static_cast<std::int16_t>(p >> 10);
      block.g[row * 4 + x] = static_cast<std::int16_t>((p >> 5) & 31);
      block.b[row * 4 + x] = static_cast<std::int16_t>(p & 31);
    }
  }
  Sums total;
  Colour low{31, 31, 31}, high{0, 0, 0};
  int sumSquares = 0;
  for (int i = 0; i < 16; ++i) {
    int r = block.r[i], g = block.g[i], b = block.b[i];
    total.r += r, total.g += g, total.b += b;
    sumSquares += r * r + g * g + b * b;
    low.r = std::min(low.r, r), low.g = std::min(low.g, g), low.b = std::min(low.b, b);
    high.r = std::max(high.r, r), high.g = std::max(high.g, g), high.b = std::max(high.b, b);
  }
  total.n = 16;
  const int sumR = total.r, sumG = total.g, sumB = total.b;

  // Costs fit 32 bits: 16 x 46128 of error plus 18 bytes at 36800 a byte.
  const std::int32_t lambda16 = lambda16_;
  enum class Mode { Keep, One, Two, Eight } mode = Mode::One;
  std::int32_t best = 0;

  // One colour: the rounded mean. Red level 1 would read as a skip code, so
  // such a colour moves to the nearer of levels 0 and 2.
  Colour mean{RoundedMean(sumR, 16), RoundedMean(sumG, 16), RoundedMean(sumB, 16)};
  if (mean.r == 1) mean.r = sumR > 16 ? 2 : 0;
  int oneError = sumSquares - 2 * (mean.r * sumR + mean.g * sumG + mean.b * sumB) +
                 16 * (mean.r * mean.r + mean.g * mean.g + mean.b * mean.b);
  best = 16 * oneError + 2 * lambda16;

  if (mayKeep) {
    int keepError = 0;
    for (int row = 0; row < 4; ++row) {
      const std::uint16_t* line = shown + (3 - row) * stride;
      for (int x = 0; x < 4; ++x) {
        int i = row * 4 + x;
        int dr = block.r[i] - (line[x] >> 10), dg = block.g[i] - ((line[x] >> 5) & 31),
            db = block.b[i] - (line[x] & 31);
        keepError += dr * dr + dg * dg + db * db;
      }
    }
    std::int32_t keepCost = 16 * keepError;
    if (keepCost <= best) {
      mode = Mode::Keep;
      best = keepCost;
    }
  }

  Pair two;
  Pair quads[4];
  // Two colours can only win when one colour leaves more error than the
  // four extra bytes are worth.
  if (16 * oneError > 4 * lambda16) {
    two = SplitBlock(block, total, low, high);
    std::int32_t twoCost = 16 * two.error + 6 * lambda16;
    if (twoCost < best) {
      mode = Mode::Two;
      best = twoCost;
    }
    if (16 * two.error > 12 * lambda16) {
      int eightError = 0;
      for (int q = 0; q < 4; ++q) {
        quads[q] = SplitQuadrant(block, kQuadrant[q]);
        eightError += quads[q].error;
      }
      std::int32_t eightCost = 16 * eightError + 18 * lambda16;
      if (eightCost < best) {
        mode = Mode::Eight;
        best = eightCost;
      }
    }
  }

  if (mode == Mode::Keep) {
    keep();
    return;
  }
  FlushSkips(out, pendingSkips);

  std::uint16_t colourOf[16];
  switch (mode) {
    case Mode::One: {
      ++counts_.oneColour;
      std::uint16_t c = mean.Packed();
      Put16(out, c | kMarkColour);
      std::fill(colourOf, colourOf + 16, c);
      break;
    }
    case Mode::Two: {
      ++counts_.twoColour;
      // The top-right pixel's flag doubles as the code's top bit, which must
      // stay clear: give that pixel colour b.
      if (two.flags & 0x8000u) {
        std::swap(two.a, two.b);
        two.flags = ~two.flags & 0xFFFFu;
      }
      std::uint16_t a = two.a.Packed(), b = two.b.Packed();
      Put16(out, two.flags);
      Put16(out, a);
      Put16(out, b);
      for (int i = 0; i < 16; ++i) colourOf[i] = (two.flags >> i) & 1u ? a : b;
      break;
    }
    case Mode::Eight: {
      ++counts_.eightColour;
      std::uint32_t flags = 0;
      for (int q = 0; q < 4; ++q) flags |= quads[q].flags;
      if (flags & 0x8000u) {
        std::swap(quads[3].a, quads[3].b);
        flags ^= (1u << 10) | (1u << 11) | (1u << 14) | (1u << 15);
      }
      Put16(out, flags);
      for (int q = 0; q < 4; ++q) {
        std::uint16_t a = quads[q].a.Packed(), b = quads[q].b.Packed();
        // The first colour's top bit tells the decoder there are eight.
        Put16(out, q == 0 ? (a | kMarkColour) : a);
        Put16(out, b);
        for (int i : kQuadrant[q]) colourOf[i] = (flags >> i) & 1u ? a : b;
      }
      break;
    }
    case Mode::Keep:
      break;
  }
  for (int row = 0; row < 4; ++row) std::memcpy(shown + (3 - row) * stride, colourOf + row * 4, 8);
}

}  // namespace mavrion::encoder::builtin
