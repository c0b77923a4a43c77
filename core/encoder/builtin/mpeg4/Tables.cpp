#include "core/encoder/builtin/mpeg4/Tables.h"

#include <array>

namespace mavrion::encoder::builtin::mpeg4 {

const Vlc kIntraMcbpc[2][4] = {{{1, 1}, {1, 3}, {2, 3}, {3, 3}}, {{1, 4}, {1, 6}, {2, 6}, {3, 6}}};

const Vlc kInterMcbpc[5][4] = {
    {{1, 1}, {3, 4}, {2, 4}, {5, 6}},
    {{3, 3}, {7, 7}, {6, 7}, {5, 9}},
    {{2, 3}, {5, 7}, {4, 7}, {5, 8}},
    {{3, 5}, {4, 8}, {3, 8}, {3, 7}},
    {{4, 6}, {4, 9}, {3, 9}, {2, 9}},
};

const Vlc kCbpy[16] = {{3, 4}, {5, 5}, {4, 5}, {9, 4}, {3, 5}, {7, 4}, {2, 6}, {11, 4},
                       {2, 5}, {3, 6}, {5, 4}, {10, 4}, {4, 4}, {8, 4}, {6, 4}, {3, 2}};

const Vlc kDcSizeLuma[13] = {{3, 3}, {3, 2}, {2, 2}, {2, 3}, {1, 3}, {1, 4}, {1, 5},
                             {1, 6}, {1, 7}, {1, 8}, {1, 9}, {1, 10}, {1, 11}};
const Vlc kDcSizeChroma[13] = {{3, 2}, {2, 2}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6},
                               {1, 7}, {1, 8}, {1, 9}, {1, 10}, {1, 11}, {1, 12}};

const Vlc kMotionCode[33] = {
    {1, 1}, {1, 2}, {1, 3}, {1, 4}, {3, 6}, {5, 7}, {4, 7}, {3, 7}, {11, 9}, {10, 9}, {9, 9},
    {17, 10}, {16, 10}, {15, 10}, {14, 10}, {13, 10}, {12, 10}, {11, 10}, {10, 10}, {9, 10}, {8, 10}, {7, 10},
    {6, 10}, {5, 10}, {4, 10}, {7, 11}, {6, 11}, {5, 11}, {4, 11}, {3, 11}, {2, 11}, {3, 12}, {2, 12}};

const std::uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

const std::uint8_t kAlternateHorizontal[64] = {0,  1,  2,  3,  8,  9,  16, 17, 10, 11, 4,  5,  6,  7,  15, 14,
                                              13, 12, 19, 18, 24, 25, 32, 33, 26, 27, 20, 21, 22, 23, 28, 29,
                                              30, 31, 34, 35, 40, 41, 48, 49, 42, 43, 36, 37, 38, 39, 44, 45,
                                              46, 47, 50, 51, 56, 57, 58, 59, 52, 53, 54, 55, 60, 61, 62, 63};
const std::uint8_t kAlternateVertical[64] = {0,  8,  16, 24, 1,  9,  2,  10, 17, 25, 32, 40, 48, 56, 57, 49,
                                            41, 33, 26, 18, 3,  11, 4,  12, 19, 27, 34, 42, 50, 58, 35, 43,
                                            51, 59, 20, 28, 5,  13, 6,  14, 21, 29, 36, 44, 52, 60, 37, 45,
                                            53, 61, 22, 30, 7,  15, 23, 31, 38, 46, 54, 62, 39, 47, 55, 63};

namespace {

constexpr Vlc kEscape{0x03, 7};
// After the escape code: 0 for a level beyond the largest with a code at
// its run, 10 for a run beyond the longest with a code at its level, 11
// for the event written out.
constexpr int kEscapeLevelBits = 7 + 1, kEscapeRunBits = 7 + 2;

// Each table lists its codes (length, value) run by run, level 1 upwards;
// maxLevel gives how many levels each run has.
struct CoefficientTable {
  const std::uint8_t* maxLevel;
  int runs;
  const std::uint8_t (*codes)[2];
};

constexpr std::uint8_t kIntraMaxLevel0[15] = {27, 10, 5, 4, 3, 3, 3, 3, 2, 2, 1, 1, 1, 1, 1};
constexpr std::uint8_t kIntraCodes0[][2] = {
    {2, 2}, {3, 6}, {4, 15}, {5, 13}, {5, 12}, {6, 21}, {6, 19}, {6, 18}, {7, 23}, {8, 31}, {8, 30}, {8, 29},
    {9, 37}, {9, 36}, {9, 35}, {9, 33}, {10, 33}, {10, 32}, {10, 15}, {10, 14}, {11, 7}, {11, 6}, {11, 32},
    {11, 33}, {12, 80}, {12, 81}, {12, 82},                                   // run 0
    {4, 14}, {6, 20}, {7, 22}, {8, 28}, {9, 32}, {9, 31}, {10, 13}, {11, 34}, {12, 83}, {12, 85},  // run 1
    {5, 11}, {7, 21}, {9, 30}, {10, 12}, {12, 86},
    {6, 17}, {8, 27}, {9, 29}, {10, 11},
    {6, 16}, {9, 34}, {10, 10},
    {6, 13}, {9, 28}, {10, 8},
    {7, 18}, {9, 27}, {12, 84},
    {7, 20}, {9, 26}, {12, 87},
    {8, 25}, {10, 9},
    {8, 24}, {11, 35},
    {8, 23}, {9, 25}, {9, 24}, {10, 7}, {12, 88}};
constexpr std::uint8_t kIntraMaxLevel1[21] = {8, 3, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::uint8_t kIntraCodes1[][2] = {
    {4, 7}, {6, 12}, {8, 22}, {9, 23}, {10, 6}, {11, 5}, {11, 4}, {12, 89},  // run 0
    {6, 15}, {9, 22}, {10, 5},
    {6, 14}, {10, 4},
    {7, 17}, {11, 36},
    {7, 16}, {11, 37},
    {7, 19}, {12, 90},
    {8, 21}, {12, 91},
    {8, 20}, {8, 19}, {8, 26}, {9, 21}, {9, 20}, {9, 19}, {9, 18}, {9, 17}, {11, 38}, {11, 39},
    {12, 92}, {12, 93}, {12, 94}, {12, 95}};
constexpr std::uint8_t kInterMaxLevel0[27] = {12, 6, 4, 3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1,
                                              1,  1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::uint8_t kInterCodes0[][2] = {
    {2, 2}, {4, 15}, {6, 21}, {7, 23}, {8, 31}, {9, 37}, {9, 36}, {10, 33}, {10, 32}, {11, 7}, {11, 6}, {11, 32},
    {3, 6}, {6, 20}, {8, 30}, {10, 15}, {11, 33}, {12, 80},
    {4, 14}, {8, 29}, {10, 14}, {12, 81},
    {5, 13}, {9, 35}, {10, 13},
    {5, 12}, {9, 34}, {12, 82},
    {5, 11}, {10, 12}, {12, 83},
    {6, 19}, {10, 11}, {12, 84},
    {6, 18}, {10, 10},
    {6, 17}, {10, 9},
    {6, 16}, {10, 8},
    {7, 22}, {12, 85},
    {7, 21}, {7, 20}, {8, 28}, {8, 27}, {9, 33}, {9, 32}, {9, 31}, {9, 30}, {9, 29}, {9, 28}, {9, 27}, {9, 26},
    {11, 34}, {11, 35}, {12, 86}, {12, 87}};
constexpr std::uint8_t kInterMaxLevel1[41] = {3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                              1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::uint8_t kInterCodes1[][2] = {
    {4, 7}, {9, 25}, {11, 5},
    {6, 15}, {11, 4},
    {6, 14}, {6, 13}, {6, 12}, {7, 19}, {7, 18}, {7, 17}, {7, 16}, {8, 26}, {8, 25}, {8, 24}, {8, 23}, {8, 22},
    {8, 21}, {8, 20}, {8, 19}, {9, 24}, {9, 23}, {9, 22}, {9, 21}, {9, 20}, {9, 19}, {9, 18}, {9, 17},
    {10, 7}, {10, 6}, {10, 5}, {10, 4}, {11, 36}, {11, 37}, {11, 38}, {11, 39}, {12, 88}, {12, 89}, {12, 90},
    {12, 91}, {12, 92}, {12, 93}, {12, 94}, {12, 95}};

constexpr int Sum(const std::uint8_t* v, int n) { return n == 0 ? 0 : v[0] + Sum(v + 1, n - 1); }
static_assert(Sum(kIntraMaxLevel0, 15) == sizeof kIntraCodes0 / 2);
static_assert(Sum(kIntraMaxLevel1, 21) == sizeof kIntraCodes1 / 2);
static_assert(Sum(kInterMaxLevel0, 27) == sizeof kInterCodes0 / 2);
static_assert(Sum(kInterMaxLevel1, 41) == sizeof kInterCodes1 / 2);

constexpr CoefficientTable kTables[2][2] = {
    {{kInterMaxLevel0, 27, kInterCodes0}, {kInterMaxLevel1, 41, kInterCodes1}},
    {{kIntraMaxLevel0, 15, kIntraCodes0}, {kIntraMaxLevel1, 21, kIntraCodes1}},
};

// [intra][last][run][level]: flattened once for direct lookup, with the
// largest level of each run and the longest run of each level, and the
// lengths of whole events up to kCountedLevel.
struct Lookup {
  std::array<std::array<std::array<std::array<Vlc, 28>, 64>, 2>, 2> codes{};
  std::array<std::array<std::array<std::uint8_t, 64>, 2>, 2> maxLevel{};
  std::array<std::array<std::array<std::int8_t, 28>, 2>, 2> maxRun{};
  std::array<EventLengths, 2> lengths{};
  Lookup() {
    for (int intra = 0; intra < 2; ++intra) {
      for (int last = 0; last < 2; ++last) {
        const CoefficientTable& t = kTables[intra][last];
        maxRun[intra][last].fill(-1);
        int at = 0;
        for (int run = 0; run < t.runs; ++run) {
          maxLevel[intra][last][run] = t.maxLevel[run];
          for (int level = 1; level <= t.maxLevel[run]; ++level, ++at) {
            codes[intra][last][run][level] = Vlc{t.codes[at][1], t.codes[at][0]};
            maxRun[intra][last][level] = static_cast<std::int8_t>(run);
          }
        }
      }
    }
    for (int intra = 0; intra < 2; ++intra) {
      for (int last = 0; last < 2; ++last) {
        for (int run = 0; run < 64; ++run) {
          for (int level = 1; level <= kCountedLevel; ++level) {
            lengths[intra].length[last][run][level] =
                static_cast<std::uint8_t>(Event(intra != 0, last != 0, run, level).length);
          }
        }
      }
    }
  }
  Vlc Code(bool intra, bool last, int run, int level) const {
    if (run < 0 || run > 63 || level < 1 || level > 27) return Vlc{};
    return codes[intra][last][run][level];
  }
  EventCode Event(bool intra, bool last, int run, int level) const {
    const int magnitude = level < 0 ? -level : level;
    const std::uint32_t sign = level < 0 ? 1 : 0;
    auto join = [&](std::uint32_t prefix, int prefixLength, Vlc v) {
      return EventCode{(((prefix << v.length) | v.code) << 1) | sign, prefixLength + v.length + 1};
    };
    if (const Vlc v = Code(intra, last, run, magnitude); v.length != 0) return join(0, 0, v);
    if (const Vlc v = Code(intra, last, run, magnitude - maxLevel[intra][last][run]); v.length != 0) {
      return join(kEscape.code << 1, kEscapeLevelBits, v);
    }
    if (magnitude <= 27 && maxRun[intra][last][magnitude] >= 0) {
      if (const Vlc v = Code(intra, last, run - maxRun[intra][last][magnitude] - 1, magnitude); v.length != 0) {
        return join((kEscape.code << 2) | 2, kEscapeRunBits, v);
      }
    }
    EventCode written{kEscape.code, kEscape.length};
    auto put = [&](std::uint32_t value, int length) {
      written.code = (written.code << length) | (value & ((1u << length) - 1));
      written.length += length;
    };
    put(3, 2);
    put(last ? 1 : 0, 1);
    put(static_cast<std::uint32_t>(run), 6);
    put(1, 1);  // marker
    put(static_cast<std::uint32_t>(level), 12);
    put(1, 1);  // marker
    return written;
  }
};

const Lookup& Codes() {
  static const Lookup lookup;
  return lookup;
}

}  // namespace

EventCode CoefficientEvent(bool intra, bool last, int run, int level) {
  return Codes().Event(intra, last, run, level);
}

const EventLengths& CoefficientEventLengths(bool intra) { return Codes().lengths[intra ? 1 : 0]; }

}  // namespace mavrion::encoder::builtin::mpeg4
