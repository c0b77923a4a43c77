#pragma once
// Keeps the video to its bit rate as a leaky bucket: the bucket fills with
// every plane's bits and drains at the rate; it must never hold more than
// the buffer (rate x buffer time), so that any stretch of the stream holds
// at most rate x its length plus the buffer. The sharpness decides what
// gives when the budget is short: high sharpness keeps the quantiser fine
// and leaves frames out, low sharpness keeps frames and coarsens it.
#include <array>
#include <cstdint>

namespace mavrion::encoder::builtin::mpeg4 {

class RateControl {
 public:
  RateControl(std::uint32_t bitsPerSecond, std::uint32_t bufferMs, std::int32_t framesPerThousandSeconds,
              int sharpness);

  // Drains the bucket up to timeMs; call once per plane, before deciding.
  void Advance(std::int64_t timeMs);
  void Add(std::uint64_t bits);

  // Room left in the bucket now, in bits, with a safety margin.
  std::int64_t Room() const;
  // What this plane should cost: the rate's share, more while the bucket
  // is emptier than half, less while it is fuller.
  std::int64_t Target() const;

  std::int64_t FrameShare() const { return frameShare_; }
  int FinestQuantiser() const { return finest_; }
  // Beyond this quantiser, frames are left out rather than coarsened.
  int CoarsestKeptQuantiser() const { return coarsestKept_; }
  // Text is readable from this quantiser down.
  int ReadableQuantiser() const;
  // What one plane of changes may take at once: the room above the reserve
  // kept for the next change.
  std::int64_t ChangeAllowance() const;
  // At most this many frames in a row are left out that way.
  int LongestGap() const { return longestGap_; }

  // The model of a plane's cost: bits = overhead + weight x complexity / q,
  // one weight for each kind of coding: predicted from motion, intra, and
  // refinement of still parts (complexity: their error).
  enum Kind { kInter, kIntra, kRefine };
  static constexpr double kRefineOverheadBits = 12;  // a refined macroblock's header
  double PredictBits(double complexity, double overheadBits, Kind kind, int q) const;
  void Learn(double complexity, double overheadBits, Kind kind, int q, double bits);

  // Where the still parts of the screen stand: for each quantiser q, the
  // error (sum of absolute differences from the source) and the number of
  // the macroblocks a decoder shows coarser than q.
  struct StillParts {
    std::array<double, 32> errorCoarserThan{};
    std::array<int, 32> countCoarserThan{};
  };
  struct Refinement {
    int quantiser = 31;
    std::int64_t bits = 0;  // this frame's share
  };
  // How the still parts are sharpened this frame: the finest quantiser the
  // bucket's room and the rate pay for within a few seconds, spread over
  // those seconds, so that a screen that stops is sharp soon after.
  // changeBits is what the frame's changes take first.
  Refinement PlanRefinement(const StillParts& still, std::int64_t changeBits) const;

  std::int64_t Fullness() const { return fullness_; }
  std::int64_t Capacity() const { return capacity_; }

 private:
  std::int64_t rate_;
  std::int64_t capacity_;
  std::int64_t frameShare_;
  std::int64_t correctionFrames_;
  int finest_;
  int coarsestKept_;
  int longestGap_;
  std::int64_t framesPerThousandSeconds_;
  std::int64_t fullness_ = 0;
  std::int64_t lastMs_ = 0;
  double weight_[3] = {1.0, 1.5, 1.0};  // by Kind
};

}  // namespace mavrion::encoder::builtin::mpeg4
