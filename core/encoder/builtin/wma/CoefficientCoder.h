#pragma once
// The quantised coefficients of one channel of a block as run and level
// codes: each nonzero value is a code for (zeros before it, its size) and
// a sign bit; sizes or runs beyond the table take an escape with both
// written out; an end-of-block code stops before trailing zeros.
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/mpeg4/BitWriter.h"
#include "core/encoder/builtin/wma/Tables.h"

namespace mavrion::encoder::builtin::wma {

class CoefficientCoder {
 public:
  explicit CoefficientCoder(const CoefficientTable& table);

  // levelBits is the escape's width for a level, given by the block's gain.
  int Bits(const int* values, int count, int levelBits) const;
  void Write(const int* values, int count, int levelBits, mpeg4::BitWriter* out) const;

 private:
  // The code of (run, level), or -1 when it needs the escape.
  int CodeOf(int run, int level) const {
    if (level > table_.levels || run >= table_.runsPerLevel[level - 1]) return -1;
    return first_[level - 1] + run;
  }

  const CoefficientTable& table_;
  std::vector<int> first_;  // the code of run 0 of each level
};

// The widest level an escape holds for a block's gain.
int EscapeLevelBits(int gain);

}  // namespace mavrion::encoder::builtin::wma
