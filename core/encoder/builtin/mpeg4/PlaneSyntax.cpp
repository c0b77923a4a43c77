#include "core/encoder/builtin/mpeg4/PlaneSyntax.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/encoder/builtin/mpeg4/CoefficientEvents.h"
#include "core/encoder/builtin/mpeg4/Tables.h"
#include "core/encoder/builtin/mpeg4/Transform.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

void PutCoefficients(const std::int16_t* levels, const std::uint8_t* scan, bool intra, BitWriter* bits) {
  ForEachEvent(levels, scan, intra ? 1 : 0, [&](int level, int run, bool last) {
    const EventCode e = CoefficientEvent(intra, last, run, level);
    bits->Put(e.code, e.length);
  });
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

}  // namespace

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
    if ((NonZero(l) & ~std::uint64_t{1}) != 0) cbp |= static_cast<std::uint8_t>(1 << (5 - b));
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
