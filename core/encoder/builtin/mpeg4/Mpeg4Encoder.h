#pragma once
// Our MPEG-4 Part 2 Simple Profile video encoder (FourCC 'M4S2'), made for
// screens: macroblocks whose captured pixels did not change are not coded,
// moved content (scrolling, a dragged window) is found by motion search,
// a frame with nothing to code is a plane marked not coded, and parts of
// the screen that stay still are refined towards full sharpness while the
// budget allows. The bit rate is held by RateControl.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/encoder/builtin/BgraImage.h"
#include "core/encoder/builtin/VideoCodec.h"
#include "core/encoder/builtin/mpeg4/Planes.h"
#include "core/encoder/builtin/mpeg4/RateControl.h"

namespace mavrion::encoder::builtin::mpeg4 {

inline constexpr std::uint32_t kFourCcM4s2 = 0x3253344D;  // "M4S2" read as a little-endian DWORD

struct EncoderSettings {
  int width = 0, height = 0;  // even
  std::int32_t framesPerThousandSeconds = 15000;
  int sharpness = 95;  // 1..100
  std::uint32_t bitsPerSecond = 400000;
  std::uint32_t bufferMs = 5000;
};

class Mpeg4Encoder : public VideoCodec {
 public:
  struct Counts {
    std::uint64_t coded = 0, dropped = 0, repeated = 0, keys = 0;
    std::uint64_t intraMacroblocks = 0, interMacroblocks = 0, skippedMacroblocks = 0, refinedMacroblocks = 0;
  };

  explicit Mpeg4Encoder(const EncoderSettings& settings);
  ~Mpeg4Encoder() override;

  // The sequence headers: the stream's codec data.
  const std::vector<std::uint8_t>& SequenceHeaders() const { return headers_; }

  AsfVideoFormat Format() const override;
  // Codes picture (this encoder's size) for the frame at timeMs into out.
  // The first picture and wantKey give a key frame, unless the budget has
  // no room for it yet (it comes at a later frame, or with the next page of
  // new content); a page turned shortly before one is due is one too. A
  // frame the budget has no room for is left out: out then
  // holds a plane that is not coded.
  // Answers whether out is a key frame.
  bool Encode(const BgraImage& picture, std::int64_t timeMs, bool wantKey, std::vector<std::uint8_t>* out) override;
  // A frame that shows the last picture again.
  void EncodeRepeat(std::int64_t timeMs, std::vector<std::uint8_t>* out) override;

  // What a decoder shows now.
  const YuvPicture& Reconstruction() const { return *reference_; }
  const Counts& Totals() const { return counts_; }
  const RateControl& Rate() const { return rate_; }

 private:
  struct Macroblock;
  struct Analysis;
  bool EncodeKey(const BgraImage& picture, std::int64_t timeMs, std::vector<std::uint8_t>* out);
  bool EncodePredicted(const BgraImage& picture, std::int64_t timeMs, bool keyOverdue,
                       std::vector<std::uint8_t>* out);
  // Codes the plane at the quantisers the plan's search tries; answers its
  // bits and the quantiser kept, or 0 where the plan leaves the frame out.
  std::size_t CodeAtSearchedQuantiser(bool key, const RateControl::PlanePlan& plan, std::int64_t timeMs,
                                      std::vector<std::uint8_t>* out, int* q);
  // The part of the screen that changed to something motion does not
  // explain, in percent.
  int NewContentPercent() const;
  void Analyse(const BgraImage& picture, bool key);
  void SearchMotion(int index);
  void DiscoverMotion();
  void LimitVectors();
  // What the changed macroblocks make of a plane, for the rate model.
  RateControl::PlaneCost PlaneCost(bool key) const;
  // Codes the changed macroblocks at q into current_, in order while
  // changeBudget lasts (all when negative), then refines still parts for
  // refineBudget; answers the bits the plane needs.
  std::size_t CodePlane(bool key, int q, std::int64_t changeBudget, std::int64_t refineBudget,
                        std::int64_t timeMs, std::vector<std::uint8_t>* out);
  // Codes and keeps the changes that matter most within budget bits (and
  // the room), at the coarsest quantiser. Answers whether a plane came out.
  bool KeepWhatFits(const BgraImage& picture, std::int64_t timeMs, std::int64_t budget,
                    std::vector<std::uint8_t>* out);
  void CodeMacroblock(int index, bool intra, int q);
  void WriteMacroblocks(bool key, class BitWriter* bits);
  // A frame where nothing changed: the still parts are sharpened as the
  // rate control plans, or the last picture is shown again.
  bool Sharpen(const BgraImage& picture, std::int64_t timeMs, std::vector<std::uint8_t>* out);
  RateControl::StillParts StillParts() const;
  // The quantiser the screen is shown at, as one figure for the rate model.
  int ScreenQuantiser() const;
  // Whether changes seen earlier still wait to be coded.
  bool Behind() const;
  void LeaveOut(std::int64_t timeMs, std::vector<std::uint8_t>* out);
  // Puts macroblock index of the source planes back to what the reference
  // was coded from (still parts are refined from them).
  void RestoreSource(int index);
  void WriteNotCoded(std::int64_t timeMs, std::vector<std::uint8_t>* out);
  // Makes the plane just coded (bits long, at q) what a decoder shows.
  void Commit(const BgraImage& picture, bool key, int q, std::size_t bits, std::int64_t timeMs);

  EncoderSettings settings_;
  int mbWidth_, mbHeight_;
  std::vector<std::uint8_t> headers_;
  RateControl rate_;
  std::unique_ptr<YuvPicture> source_, reference_, current_;
  // The source planes the reference was coded from: a change left for a
  // later frame is put back from here, by a copy rather than converting
  // the picture again (a crowded frame leaves most of the screen so).
  std::unique_ptr<YuvPicture> codedSource_;
  std::vector<int> differing_;  // macroblocks where current_ and reference_ differ
  std::vector<std::uint8_t> lastSource_;  // BGRA of the last coded picture
  std::vector<Macroblock> blocks_;
  std::unique_ptr<Analysis> analysis_;
  bool started_ = false;
  bool dcOnly_ = false;  // intra blocks keep their mean alone
  std::int64_t previousSecond_ = 0;
  int leftOut_ = 0;  // frames left out in a row
  std::size_t refineCursor_ = 0;  // where refinement goes on
  std::size_t refineStop_ = 0;
  Counts counts_;
};

}  // namespace mavrion::encoder::builtin::mpeg4
