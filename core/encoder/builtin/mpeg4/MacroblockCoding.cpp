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

// Index in scan of the last non-zero level, or -1.
int LastIndex(const std::int16_t* levels, const std::uint8_t* scan, int first) {
  for (int i = 63; i >= first; --i) {
    if (levels[scan[i]] != 0) return i;
  }
  return -1;
}

void PutCoefficients(const std::int16_t* levels, const std::uint8_t* scan, bool intra, BitWriter* bits) {
  const int first = intra ? 1 : 0, last = LastIndex(levels, scan, first);
  int run = 0;
  for (int i = first; i <= last; ++i) {
    const int level = levels[scan[i]];
    if (level == 0) {
      ++run;
      continue;
    }
    const EventCode e = CoefficientEvent(intra, i == last, run, level);
    bits->Put(e.code, e.length);
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

}  // namespace

int CoefficientBits(const std::int16_t* levels, const std::uint8_t* scan, bool intra) {
  const int first = intra ? 1 : 0, last = LastIndex(levels, scan, first);
  int total = 0, run = 0;
  for (int i = first; i <= last; ++i) {
    const int level = levels[scan[i]];
    if (level == 0) {
      ++run;
      continue;
    }
    total += CoefficientEventBits(intra, i == last, run, std::abs(level));
    run = 0;
  }
  return total;
}

namespace {

// Squared error worth a bit, per q^2, when the levels of a difference are
// chosen: the best of the values tried on recordings of real screens.
constexpr double kLevelErrorPerBit = 1.0;

// The magnitude a decoder makes of a level's.
int Reconstructed(int magnitude, int q) { return magnitude == 0 ? 0 : q * (2 * magnitude + 1) - (1 - q % 2); }

double LevelError(int coefficient, int level, int q) {
  const double e = std::abs(coefficient) - Reconstructed(std::abs(level), q);
  return e * e;
}

// Lowers the levels of an inter block, last first, where the bits saved are
// worth more than the error added (a level's bits depend on its
// neighbours' runs, so the block is counted whole), and leaves the block
// out where its levels are not worth their bits. Answers whether any level
// is left.
bool ChooseLevels(const std::int16_t* coefficients, std::int16_t* levels, int q) {
  const double perBit = kLevelErrorPerBit * q * q;
  int bits = CoefficientBits(levels, kZigzag, false);
  for (int i = 63; i >= 0; --i) {
    const int at = kZigzag[i];
    while (levels[at] != 0) {
      const std::int16_t kept = levels[at];
      const std::int16_t lower = static_cast<std::int16_t>(kept > 0 ? kept - 1 : kept + 1);
      const double added = LevelError(coefficients[at], lower, q) - LevelError(coefficients[at], kept, q);
      levels[at] = lower;
      const int fewer = CoefficientBits(levels, kZigzag, false);
      if (added >= perBit * (bits - fewer)) {
        levels[at] = kept;
        break;
      }
      bits = fewer;
    }
  }
  // A block left out also saves its bit of the coded block pattern.
  double kept = 0, dropped = 0;
  for (int i = 0; i < 64; ++i) {
    kept += LevelError(coefficients[i], levels[i], q);
    dropped += static_cast<double>(coefficients[i]) * coefficients[i];
  }
  if (dropped - kept < perBit * (bits + 1)) return false;
  return bits > 0;
}

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
      std::int16_t coefficients[64];
      std::copy(c, c + 64, coefficients);
      coded = Quantise(c, q, false, 0) && ChooseLevels(coefficients, c, q);
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

namespace {

// Squared error worth a bit, per q^2: about the slope of error against
// bits of text planes between quantisers.
constexpr double kErrorPerBit = 0.35;

// The samples of one macroblock: 256 of luma, then 64 of each chroma plane.
using MacroblockSamples = std::array<std::uint8_t, 384>;

// Calls copy(row of the picture, its width, offset in MacroblockSamples).
template <class Picture, class Copy>
void ForEachRow(Picture& p, int mx, int my, Copy copy) {
  for (int j = 0; j < 16; ++j) copy(p.y.Row(my * 16 + j) + mx * 16, 16, j * 16);
  for (int j = 0; j < 8; ++j) {
    copy(p.u.Row(my * 8 + j) + mx * 8, 8, 256 + j * 8);
    copy(p.v.Row(my * 8 + j) + mx * 8, 8, 320 + j * 8);
  }
}

MacroblockSamples Samples(const YuvPicture& p, int mx, int my) {
  MacroblockSamples s;
  ForEachRow(p, mx, my, [&](const std::uint8_t* row, int n, int at) { std::copy_n(row, n, s.begin() + at); });
  return s;
}

void PutBack(const MacroblockSamples& s, int mx, int my, YuvPicture* p) {
  ForEachRow(*p, mx, my, [&](std::uint8_t* row, int n, int at) { std::copy_n(s.begin() + at, n, row); });
}

double SquaredError(const MacroblockSamples& a, const MacroblockSamples& b) {
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return static_cast<double>(sum);
}

int VectorBits(MotionVector mv) {
  auto component = [](int v) { return v == 0 ? 1 : 2 + 2 * SizeOf(v); };
  return component(mv.x) + component(mv.y);
}

}  // namespace

CodedMacroblock CodeCheaper(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                            int q, MacroblockLevels* levels, YuvPicture* reconstruction) {
  const std::uint8_t interCbp = CodeInter(source, reference, mx, my, mv, q, levels, reconstruction);
  if (interCbp == 0) return {false, 0};
  const double perBit = kErrorPerBit * q * q;
  const MacroblockSamples original = Samples(source, mx, my), inter = Samples(*reconstruction, mx, my);
  const double interCost =
      SquaredError(original, inter) + perBit * (EstimateBits(*levels, interCbp, false) + VectorBits(mv));
  MacroblockLevels intraLevels;
  const std::uint8_t intraCbp = CodeIntra(source, mx, my, q, &intraLevels, reconstruction);
  const double intraCost = SquaredError(original, Samples(*reconstruction, mx, my)) +
                           perBit * EstimateBits(intraLevels, intraCbp, true);
  if (intraCost < interCost) {
    *levels = intraLevels;
    return {true, intraCbp};
  }
  PutBack(inter, mx, my, reconstruction);
  return {false, interCbp};
}

int EstimateBits(const MacroblockLevels& levels, std::uint8_t cbp, bool intra) {
  int total = intra ? 30 : 8;
  for (int b = 0; b < 6; ++b) {
    if (cbp & (1 << (5 - b))) total += CoefficientBits(levels.data() + b * 64, kZigzag, intra);
  }
  return total;
}

int FCodeFor(int largest) {
  int fCode = 1;
  while (fCode < 7 && largest > 32 * (1 << (fCode - 1)) - 1) ++fCode;
  return fCode;
}

namespace {

// A macroblock's change of quantiser from the one before: -1, -2, +1, +2.
void PutQuantiserChange(int dquant, BitWriter* bits) {
  if (dquant == 0) return;
  bits->Put(dquant < 0 ? static_cast<std::uint32_t>(-dquant - 1) : static_cast<std::uint32_t>(dquant + 1), 2);
}

// What an intra block leaves for its neighbours' prediction.
struct IntraEdge {
  int dc = -1;                                  // reconstructed; -1: no intra block, predicts as 1024
  std::array<std::int16_t, 7> row{}, column{};  // levels of the first row and column after the DC
  int q = 0;                                    // the quantiser of those levels
};

// The intra blocks of a plane so far, by block position.
class IntraEdges {
 public:
  IntraEdges(int width, int height) : width_(width), edges_(static_cast<std::size_t>(width) * height) {}
  const IntraEdge& At(int x, int y) const {
    static const IntraEdge kNone;
    return x < 0 || y < 0 ? kNone : edges_[static_cast<std::size_t>(y) * width_ + x];
  }
  IntraEdge& Keep(int x, int y) { return edges_[static_cast<std::size_t>(y) * width_ + x]; }

 private:
  int width_;
  std::vector<IntraEdge> edges_;
};

// An intra block as it is sent: its DC as a difference from the prediction,
// its other levels plain or less the first row (from above) or column
// (from the left) of the neighbour its DC is predicted from.
struct IntraBlock {
  int dcDifference = 0;
  bool fromAbove = false;
  std::int16_t predicted[64];
  bool predictable = true;  // the differences fit the escape's levels
};

// A neighbour's level as one at quantiser q, rounded half away from zero.
int Rescaled(int level, int from, int q) {
  if (from == q) return level;
  const int scaled = level * from;
  return (scaled >= 0 ? scaled + q / 2 : scaled - q / 2) / q;
}

IntraBlock PlanIntraBlock(const std::int16_t* levels, const IntraEdge& left, const IntraEdge& aboveLeft,
                          const IntraEdge& above, int q, int scaler) {
  IntraBlock p;
  auto dc = [](const IntraEdge& e) { return e.dc < 0 ? 1024 : e.dc; };
  p.fromAbove = std::abs(dc(left) - dc(aboveLeft)) < std::abs(dc(aboveLeft) - dc(above));
  p.dcDifference = levels[0] - (dc(p.fromAbove ? above : left) + scaler / 2) / scaler;
  std::copy(levels, levels + 64, p.predicted);
  const IntraEdge& from = p.fromAbove ? above : left;
  for (int i = 1; i < 8; ++i) {
    std::int16_t& v = p.predicted[p.fromAbove ? i : i * 8];
    v = static_cast<std::int16_t>(v - Rescaled(p.fromAbove ? from.row[i - 1] : from.column[i - 1], from.q, q));
    p.predictable &= std::abs(v) <= 2047;
  }
  return p;
}

void KeepEdge(const std::int16_t* levels, int q, int scaler, IntraEdge* e) {
  e->dc = levels[0] * scaler;
  e->q = q;
  for (int i = 1; i < 8; ++i) e->row[i - 1] = levels[i], e->column[i - 1] = levels[i * 8];
}

std::uint8_t CodedBlocks(const std::array<IntraBlock, 6>& blocks, const std::int16_t* levels, bool predicted) {
  std::uint8_t cbp = 0;
  for (int b = 0; b < 6; ++b) {
    const std::int16_t* l = predicted ? blocks[b].predicted : levels + b * 64;
    if (std::any_of(l + 1, l + 64, [](std::int16_t v) { return v != 0; })) cbp |= static_cast<std::uint8_t>(1 << (5 - b));
  }
  return cbp;
}

// An intra macroblock, its AC levels predicted where that takes fewer bits.
void WriteIntra(const std::int16_t* levels, int mx, int my, bool intraPlane, int q, int dquant, IntraEdges* luma,
                IntraEdges* cb, IntraEdges* cr, BitWriter* bits) {
  std::array<IntraBlock, 6> plan;
  for (int b = 0; b < 6; ++b) {
    const std::int16_t* l = levels + b * 64;
    const int x = b < 4 ? mx * 2 + (b & 1) : mx, y = b < 4 ? my * 2 + (b >> 1) : my;
    IntraEdges& edges = b < 4 ? *luma : (b == 4 ? *cb : *cr);
    const int scaler = b < 4 ? LumaDcScaler(q) : ChromaDcScaler(q);
    plan[b] = PlanIntraBlock(l, edges.At(x - 1, y), edges.At(x - 1, y - 1), edges.At(x, y - 1), q, scaler);
    KeepEdge(l, q, scaler, &edges.Keep(x, y));
  }
  auto mcbpc = [&](std::uint8_t cbp) -> const Vlc& {
    return intraPlane ? kIntraMcbpc[dquant != 0][cbp & 3] : kInterMcbpc[dquant != 0 ? 4 : 3][cbp & 3];
  };
  auto headerBits = [&](std::uint8_t cbp) { return mcbpc(cbp).length + kCbpy[cbp >> 2].length; };
  const std::uint8_t plainCbp = CodedBlocks(plan, levels, false), predictedCbp = CodedBlocks(plan, levels, true);
  int plainBits = headerBits(plainCbp), predictedBits = headerBits(predictedCbp);
  bool predictable = true;
  for (int b = 0; b < 6; ++b) {
    plainBits += CoefficientBits(levels + b * 64, kZigzag, true);
    predictedBits += CoefficientBits(plan[b].predicted, plan[b].fromAbove ? kAlternateHorizontal : kAlternateVertical,
                                     true);
    predictable &= plan[b].predictable;
  }
  const bool acPrediction = predictable && predictedBits < plainBits;
  const std::uint8_t cbp = acPrediction ? predictedCbp : plainCbp;
  bits->Put(mcbpc(cbp).code, mcbpc(cbp).length);
  bits->Put(acPrediction ? 1 : 0, 1);
  bits->Put(kCbpy[cbp >> 2].code, kCbpy[cbp >> 2].length);
  PutQuantiserChange(dquant, bits);
  for (int b = 0; b < 6; ++b) {
    PutDc(plan[b].dcDifference, b < 4, bits);
    if (!(cbp & (1 << (5 - b)))) continue;
    if (acPrediction) {
      PutCoefficients(plan[b].predicted, plan[b].fromAbove ? kAlternateHorizontal : kAlternateVertical, true, bits);
    } else {
      PutCoefficients(levels + b * 64, kZigzag, true, bits);
    }
  }
}

}  // namespace

void WritePlane(const std::vector<MacroblockWrite>& blocks, int mbWidth, int mbHeight, bool intraPlane, int q,
                int fCode, BitWriter* bits) {
  IntraEdges luma(mbWidth * 2, mbHeight * 2), cb(mbWidth, mbHeight), cr(mbWidth, mbHeight);
  int current = q;  // the quantiser of the last coded macroblock
  for (int my = 0; my < mbHeight; ++my) {
    for (int mx = 0; mx < mbWidth; ++mx) {
      const MacroblockWrite& m = blocks[my * mbWidth + mx];
      if (!intraPlane && m.mode == MacroblockWrite::kSkip) {
        bits->Put(1, 1);  // not coded
        continue;
      }
      const int dquant = m.q == 0 ? 0 : m.q - current;
      current += dquant;
      if (m.mode == MacroblockWrite::kIntra) {
        if (!intraPlane) bits->Put(0, 1);  // coded
        WriteIntra(m.levels->data(), mx, my, intraPlane, current, dquant, &luma, &cb, &cr, bits);
        continue;
      }
      const int cbpc = m.cbp & 3, cbpy = m.cbp >> 2;
      const Vlc& mcbpc = kInterMcbpc[dquant != 0 ? 1 : 0][cbpc];
      bits->Put(0, 1);  // coded
      bits->Put(mcbpc.code, mcbpc.length);
      bits->Put(kCbpy[15 - cbpy].code, kCbpy[15 - cbpy].length);
      PutQuantiserChange(dquant, bits);
      const MotionVector predicted = PredictedVector(mx, my, mbWidth, [&](int x, int y) {
        const MacroblockWrite& n = blocks[y * mbWidth + x];
        return n.mode == MacroblockWrite::kInter ? n.mv : MotionVector{};
      });
      PutMotionComponent(m.mv.x - predicted.x, fCode, bits);
      PutMotionComponent(m.mv.y - predicted.y, fCode, bits);
      for (int b = 0; b < 6; ++b) {
        if (m.cbp & (1 << (5 - b))) PutCoefficients(m.levels->data() + b * 64, kZigzag, false, bits);
      }
    }
  }
}

}  // namespace mavrion::encoder::builtin::mpeg4
