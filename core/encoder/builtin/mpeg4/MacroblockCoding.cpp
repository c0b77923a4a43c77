#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"

#include <algorithm>
#include <cstdlib>

#include "core/encoder/builtin/mpeg4/Interpolation.h"
#include "core/encoder/builtin/mpeg4/Tables.h"
#include "core/encoder/builtin/mpeg4/Transform.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Plane and top-left sample of block b of macroblock (mx, my).
const Plane& BlockPlane(const YuvPicture& p, int b) { return b < 4 ? p.y : (b == 4 ? p.u : p.v); }
Plane& BlockPlane(YuvPicture& p, int b) { return b < 4 ? p.y : (b == 4 ? p.u : p.v); }
int BlockX(int mx, int b) { return b < 4 ? mx * 16 + (b & 1) * 8 : mx * 8; }
int BlockY(int my, int b) { return b < 4 ? my * 16 + (b >> 1) * 8 : my * 8; }

std::uint8_t Clip(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

void PutCoefficients(const std::int16_t* levels, bool intra, BitWriter* bits) {
  int last = -1;
  for (int i = 63; i >= (intra ? 1 : 0); --i) {
    if (levels[kZigzag[i]] != 0) {
      last = i;
      break;
    }
  }
  int run = 0;
  for (int i = intra ? 1 : 0; i <= last; ++i) {
    const int level = levels[kZigzag[i]];
    if (level == 0) {
      ++run;
      continue;
    }
    const bool isLast = i == last;
    const Vlc v = CoefficientCode(intra, isLast, run, std::abs(level));
    if (v.length != 0) {
      bits->Put(v.code, v.length);
      bits->Put(level < 0 ? 1 : 0, 1);
    } else {
      // Escape with last, run and level written out.
      bits->Put(kEscape.code, kEscape.length);
      bits->Put(3, 2);
      bits->Put(isLast ? 1 : 0, 1);
      bits->Put(static_cast<std::uint32_t>(run), 6);
      bits->Marker();
      bits->Put(static_cast<std::uint32_t>(level) & 0xFFF, 12);
      bits->Marker();
    }
    run = 0;
  }
}

int SizeOf(int v) {
  int size = 0;
  for (int a = std::abs(v); a != 0; a >>= 1) ++size;
  return size;
}

void PutDc(int difference, bool luma, BitWriter* bits) {
  const int size = SizeOf(difference);
  const Vlc& v = luma ? kDcSizeLuma[size] : kDcSizeChroma[size];
  bits->Put(v.code, v.length);
  if (size == 0) return;
  const int value = difference > 0 ? difference : difference + (1 << size) - 1;
  bits->Put(static_cast<std::uint32_t>(value), size);
  if (size > 8) bits->Marker();
}

void PutMotionComponent(int difference, int fCode, BitWriter* bits) {
  const int r = fCode - 1, f = 1 << r;
  const int high = 32 * f;
  if (difference < -high) difference += 2 * high;
  if (difference > high - 1) difference -= 2 * high;
  if (difference == 0) {
    bits->Put(kMotionCode[0].code, kMotionCode[0].length);
    return;
  }
  const int a = std::abs(difference) - 1;
  const Vlc& v = kMotionCode[(a >> r) + 1];
  bits->Put(v.code, v.length);
  bits->Put(difference < 0 ? 1 : 0, 1);
  if (r > 0) bits->Put(static_cast<std::uint32_t>(a & (f - 1)), r);
}

bool Negligible(const std::int16_t* levels) {
  int count = 0;
  for (int i = 0; i < 64; ++i) {
    if (levels[i] == 0) continue;
    if (std::abs(levels[i]) > 1 || ++count > 3) return false;
  }
  return true;
}

int Median(int a, int b, int c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); }

}  // namespace

void Predict(const YuvPicture& reference, int mx, int my, MotionVector mv, std::uint8_t luma[256],
             std::uint8_t cb[64], std::uint8_t cr[64]) {
  Interpolate(reference.y, mx * 16 + (mv.x >> 1), my * 16 + (mv.y >> 1), mv.x & 1, mv.y & 1, 16, luma);
  // Chroma moves half as far, quarter positions taken to the half sample.
  const int cx = mv.x >> 2, cy = mv.y >> 2;
  const int hx = (mv.x & 3) != 0, hy = (mv.y & 3) != 0;
  Interpolate(reference.u, mx * 8 + cx, my * 8 + cy, hx, hy, 8, cb);
  Interpolate(reference.v, mx * 8 + cx, my * 8 + cy, hx, hy, 8, cr);
}

std::uint8_t CodeIntra(const YuvPicture& source, int mx, int my, int q, MacroblockLevels* levels,
                       YuvPicture* reconstruction, bool dcOnly) {
  std::uint8_t cbp = 0;
  for (int b = 0; b < 6; ++b) {
    const Plane& in = BlockPlane(source, b);
    Plane& out = BlockPlane(*reconstruction, b);
    const int x = BlockX(mx, b), y = BlockY(my, b);
    std::int16_t samples[64], c[64];
    for (int j = 0; j < 8; ++j) {
      for (int i = 0; i < 8; ++i) samples[j * 8 + i] = in.Row(y + j)[x + i];
    }
    ForwardDct(samples, c);
    const int scaler = b < 4 ? LumaDcScaler(q) : ChromaDcScaler(q);
    if (Quantise(c, q, true, scaler) && !dcOnly) cbp |= static_cast<std::uint8_t>(1 << (5 - b));
    if (dcOnly) std::fill(c + 1, c + 64, std::int16_t{0});
    std::copy(c, c + 64, levels->begin() + b * 64);
    Dequantise(c, q, true, scaler);
    InverseDct(c, samples);
    for (int j = 0; j < 8; ++j) {
      for (int i = 0; i < 8; ++i) out.Row(y + j)[x + i] = Clip(samples[j * 8 + i]);
    }
  }
  return cbp;
}

std::uint8_t CodeInter(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                       int q, MacroblockLevels* levels, YuvPicture* reconstruction) {
  std::uint8_t luma[256], cb[64], cr[64];
  Predict(reference, mx, my, mv, luma, cb, cr);
  const bool moved = mv.x != 0 || mv.y != 0;
  std::uint8_t cbp = 0;
  for (int b = 0; b < 6; ++b) {
    const Plane& in = BlockPlane(source, b);
    Plane& out = BlockPlane(*reconstruction, b);
    const int x = BlockX(mx, b), y = BlockY(my, b);
    const std::uint8_t* pred = b < 4 ? luma + (b >> 1) * 128 + (b & 1) * 8 : (b == 4 ? cb : cr);
    const int predStride = b < 4 ? 16 : 8;
    std::int16_t samples[64], c[64];
    bool any = false;
    for (int j = 0; j < 8; ++j) {
      for (int i = 0; i < 8; ++i) {
        samples[j * 8 + i] = static_cast<std::int16_t>(in.Row(y + j)[x + i] - pred[j * predStride + i]);
        any |= samples[j * 8 + i] != 0;
      }
    }
    std::int16_t* l = levels->data() + b * 64;
    bool coded = false;
    if (any) {
      ForwardDct(samples, c);
      coded = Quantise(c, q, false, 0);
      // Moved content that matched keeps what the reference showed: a few
      // lone smallest levels would only redo the reference's own error.
      if (coded && moved) coded = !Negligible(c);
    }
    if (coded) {
      cbp |= static_cast<std::uint8_t>(1 << (5 - b));
      std::copy(c, c + 64, l);
      Dequantise(c, q, false, 0);
      InverseDct(c, samples);
    } else {
      std::fill(l, l + 64, 0);
    }
    for (int j = 0; j < 8; ++j) {
      std::uint8_t* o = out.Row(y + j) + x;
      const std::uint8_t* p = pred + j * predStride;
      for (int i = 0; i < 8; ++i) o[i] = coded ? Clip(p[i] + samples[j * 8 + i]) : p[i];
    }
  }
  return cbp;
}

int EstimateBits(const MacroblockLevels& levels, std::uint8_t cbp, bool intra) {
  int total = intra ? 30 : 8;
  for (int b = 0; b < 6; ++b) {
    if (!(cbp & (1 << (5 - b)))) continue;
    const std::int16_t* l = levels.data() + b * 64;
    for (int i = intra ? 1 : 0; i < 64; ++i) {
      const int a = std::abs(l[i]);
      if (a != 0) total += a == 1 ? 5 : (a < 4 ? 8 : (a < 13 ? 11 : 30));
    }
  }
  return total;
}

int FCodeFor(int largest) {
  int fCode = 1;
  while (fCode < 7 && largest > 32 * (1 << (fCode - 1)) - 1) ++fCode;
  return fCode;
}

void WritePlane(const std::vector<MacroblockWrite>& blocks, int mbWidth, int mbHeight, bool intraPlane, int q,
                int fCode, BitWriter* bits) {
  // Reconstructed DC of intra blocks for prediction; -1 where there is none
  // (outside the picture or not intra), which predicts as 1024.
  const int lw = mbWidth * 2;
  std::vector<int> dcLuma(static_cast<std::size_t>(lw) * mbHeight * 2, -1);
  std::vector<int> dcCb(static_cast<std::size_t>(mbWidth) * mbHeight, -1), dcCr(dcCb);
  const int lumaScaler = LumaDcScaler(q), chromaScaler = ChromaDcScaler(q);
  auto predictDc = [](int left, int aboveLeft, int above, int scaler) {
    const int a = left < 0 ? 1024 : left, b = aboveLeft < 0 ? 1024 : aboveLeft, c = above < 0 ? 1024 : above;
    const int predictor = std::abs(a - b) < std::abs(b - c) ? c : a;
    return (predictor + scaler / 2) / scaler;
  };
  for (int my = 0; my < mbHeight; ++my) {
    for (int mx = 0; mx < mbWidth; ++mx) {
      const MacroblockWrite& m = blocks[my * mbWidth + mx];
      if (!intraPlane && m.mode == MacroblockWrite::kSkip) {
        bits->Put(1, 1);  // not coded
        continue;
      }
      const int cbpc = m.cbp & 3, cbpy = m.cbp >> 2;
      if (m.mode == MacroblockWrite::kIntra) {
        if (!intraPlane) bits->Put(0, 1);
        const Vlc& mcbpc = intraPlane ? kIntraMcbpc[0][cbpc] : kInterMcbpc[3][cbpc];
        bits->Put(mcbpc.code, mcbpc.length);
        bits->Put(0, 1);  // no AC prediction
        bits->Put(kCbpy[cbpy].code, kCbpy[cbpy].length);
        for (int b = 0; b < 6; ++b) {
          const std::int16_t* l = m.levels->data() + b * 64;
          int* stored;
          int prediction;
          if (b < 4) {
            const int bx = mx * 2 + (b & 1), by = my * 2 + (b >> 1);
            auto at = [&](int x, int y) { return x < 0 || y < 0 ? -1 : dcLuma[y * lw + x]; };
            prediction = predictDc(at(bx - 1, by), at(bx - 1, by - 1), at(bx, by - 1), lumaScaler);
            stored = &dcLuma[by * lw + bx];
          } else {
            std::vector<int>& dc = b == 4 ? dcCb : dcCr;
            auto at = [&](int x, int y) { return x < 0 || y < 0 ? -1 : dc[y * mbWidth + x]; };
            prediction = predictDc(at(mx - 1, my), at(mx - 1, my - 1), at(mx, my - 1), chromaScaler);
            stored = &dc[my * mbWidth + mx];
          }
          PutDc(l[0] - prediction, b < 4, bits);
          *stored = l[0] * (b < 4 ? lumaScaler : chromaScaler);
          if (m.cbp & (1 << (5 - b))) PutCoefficients(l, true, bits);
        }
        continue;
      }
      bits->Put(0, 1);  // coded
      bits->Put(kInterMcbpc[0][cbpc].code, kInterMcbpc[0][cbpc].length);
      bits->Put(kCbpy[15 - cbpy].code, kCbpy[15 - cbpy].length);
      // The vector goes as its difference from the median of the left,
      // above and above-right neighbours' (intra and skipped ones count as
      // zero, those outside the picture as described by the standard).
      auto mvAt = [&](int x, int y) {
        const MacroblockWrite& n = blocks[y * mbWidth + x];
        return n.mode == MacroblockWrite::kInter ? n.mv : MotionVector{};
      };
      MotionVector predicted{};
      if (my == 0) {
        if (mx > 0) predicted = mvAt(mx - 1, my);
      } else {
        const MotionVector a = mx > 0 ? mvAt(mx - 1, my) : MotionVector{};
        const MotionVector b = mvAt(mx, my - 1);
        const MotionVector c = mx + 1 < mbWidth ? mvAt(mx + 1, my - 1) : MotionVector{};
        if (mx == 0 && mx + 1 >= mbWidth) {
          predicted = b;
        } else {
          predicted.x = static_cast<std::int16_t>(Median(a.x, b.x, c.x));
          predicted.y = static_cast<std::int16_t>(Median(a.y, b.y, c.y));
        }
      }
      PutMotionComponent(m.mv.x - predicted.x, fCode, bits);
      PutMotionComponent(m.mv.y - predicted.y, fCode, bits);
      for (int b = 0; b < 6; ++b) {
        if (m.cbp & (1 << (5 - b))) PutCoefficients(m.levels->data() + b * 64, false, bits);
      }
    }
  }
}

}  // namespace mavrion::encoder::builtin::mpeg4
