#pragma once
// What the MPEG-4 encoder keeps of each macroblock between frames and
// learns of each frame: shared by the frame's analysis (what changed, and
// how it moved) and its coding.
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/mpeg4/CoarseMotion.h"
#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"
#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"

namespace mavrion::encoder::builtin::mpeg4 {

inline constexpr int kBorder = 32;  // luma samples around each reference plane
// Inter codings with coefficients before a macroblock is coded intra again:
// within the 132 the standard allows, so that decoders whose inverse
// transform differs from ours do not drift.
inline constexpr int kIntraRefresh = 120;
// A still macroblock whose luma differs from the source by less than this
// (sum of absolute differences) shows it as well as refining could.
inline constexpr int kShownExactly = 64;
// Changes over less than 1/kMovingPart of the screen's macroblocks (a
// pointer, the letters typed, a small animation) neither move the screen
// nor are a page.
inline constexpr int kMovingPart = 64;

enum Mode : std::uint8_t { kSkip, kInter, kIntra };

struct Mpeg4Encoder::Macroblock {
  // Kept between frames.
  std::uint8_t quality = 0;  // quantiser of what the reference shows; 0 before anything
  std::uint8_t interCodings = 0;
  MotionVector lastMv;
  std::int32_t stillError = -1;  // luma error of what is shown while still; -1 until measured
  bool pending = false;  // changed, but left for a later frame
  // This frame.
  bool changed = false;
  bool coded = false;
  bool forceIntra = false;
  bool searchedIntra = false;  // the motion search found no match worth coding from
  Mode mode = kSkip;
  MotionVector mv;
  std::int32_t cost = 0;
  std::int32_t flatness = 0;  // what coding it intra has to take, as the search measures it
  std::uint8_t cbp = 0;
};

struct Mpeg4Encoder::Analysis {
  std::vector<int> changed;
  int fresh = 0;  // changes that are not ones left pending: seen since the last frame
  std::vector<MotionVector> candidates;  // moves seen on the whole screen
  std::vector<MotionVector> lastMoves;   // the most common moves of the last frame
  CoarseMotion coarse;                   // shrunk once a frame, when a move is looked for far
  std::vector<MacroblockLevels> levels;
  double refinedError = 0;               // of the macroblocks refined in this plane
  int refined = 0;
};

}  // namespace mavrion::encoder::builtin::mpeg4
