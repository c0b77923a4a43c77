#include "core/encoder/builtin/wma/CoefficientCoder.h"

#include <cstdlib>

#include "core/encoder/builtin/wma/BlockLayout.h"

namespace mavrion::encoder::builtin::wma {
namespace {

constexpr int kEscape = 0;
constexpr int kEndOfBlock = 1;

}  // namespace

CoefficientCoder::CoefficientCoder(const CoefficientTable& table) : table_(table) {
  int code = 2;
  for (int level = 0; level < table.levels; ++level) {
    first_.push_back(code);
    code += table.runsPerLevel[level];
  }
}

int CoefficientCoder::Bits(const int* values, int count, int levelBits) const {
  int bits = 0;
  int run = 0;
  for (int i = 0; i < count; ++i) {
    if (values[i] == 0) {
      ++run;
      continue;
    }
    const int code = CodeOf(run, std::abs(values[i]));
    bits += 1 + (code < 0 ? table_.lengths[kEscape] + levelBits + kFrameBits : table_.lengths[code]);
    run = 0;
  }
  if (run > 0) bits += table_.lengths[kEndOfBlock];
  return bits;
}

void CoefficientCoder::Write(const int* values, int count, int levelBits, mpeg4::BitWriter* out) const {
  int run = 0;
  for (int i = 0; i < count; ++i) {
    if (values[i] == 0) {
      ++run;
      continue;
    }
    const int level = std::abs(values[i]);
    const int code = CodeOf(run, level);
    if (code < 0) {
      out->Put(table_.codes[kEscape], table_.lengths[kEscape]);
      out->Put(static_cast<std::uint32_t>(level), levelBits);
      out->Put(static_cast<std::uint32_t>(run), kFrameBits);
    } else {
      out->Put(table_.codes[code], table_.lengths[code]);
    }
    out->Put(values[i] > 0 ? 1 : 0, 1);
    run = 0;
  }
  if (run > 0) out->Put(table_.codes[kEndOfBlock], table_.lengths[kEndOfBlock]);
}

int EscapeLevelBits(int gain) {
  if (gain < 15) return 13;
  if (gain < 32) return 12;
  if (gain < 40) return 11;
  if (gain < 45) return 10;
  return 9;
}

}  // namespace mavrion::encoder::builtin::wma
