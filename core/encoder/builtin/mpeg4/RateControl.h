#pragma once
// Keeps the video to its bit rate as a leaky bucket: the bucket fills with
// every plane's bits and drains at the rate; it must never hold more than
// the buffer (rate x buffer time), so that any stretch of the stream holds
// at most rate x its length plus the buffer. The sharpness decides what
// gives when the budget is short: high sharpness keeps the quantiser fine
// and leaves frames out, low sharpness keeps frames and coarsens it. Every
// decision on what a plane may cost is taken here; the encoder codes.
#include <array>
#include <cstddef>
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
  // What one plane of changes may take at once: the room, less a little
  // for the frames that follow it.
  std::int64_t ChangeAllowance() const;
  // At most this many frames in a row are left out that way.
  int LongestGap() const { return longestGap_; }

  // The model of a plane's cost: bits = overhead + weight x complexity / q,
  // one weight for each kind of coding: predicted from motion, intra, and
  // refinement of still parts (complexity: their error).
  enum Kind { kInter, kIntra, kRefine };
  // Rough bits of a macroblock's header, by kind.
  static constexpr double kOverheadBits[3] = {10, 24, 12};
  double PredictBits(double complexity, double overheadBits, Kind kind, int q) const;
  void Learn(double complexity, double overheadBits, Kind kind, int q, double bits);

  // What a plane of changes is made of, for the model.
  struct PlaneCost {
    double complexity[2] = {0, 0};  // of the inter and the intra macroblocks
    int count[2] = {0, 0};
    double fixedBits = 64;  // its header, and a bit for each macroblock it leaves as it was
    // Changes over enough of the screen to be a page, not a pointer, the
    // letters typed or a small animation.
    bool widespread = true;
    void Add(Kind kind, double macroblockComplexity);
  };
  double PredictBits(const PlaneCost& cost, int q) const;
  // Learns from a whole plane: the model is only a guide.
  void Learn(const PlaneCost& cost, int q, double bits);

  // Whether a key frame asked for comes now. It waits while the bucket has
  // no room for one like the last, as sharp as the screen is shown now
  // (frames go on as predicted ones); after two seconds of waiting (six
  // while the screen moves) it is overdue, and the bucket is drained for
  // it. screenQuantiser: what the screen is shown at now, 0 when not known.
  enum class KeyTiming { kNotNow, kNow, kOverdue };
  KeyTiming TimeKey(bool wanted, std::int64_t timeMs, int screenQuantiser);
  // Whether a key frame the bucket has room for still waits, as the
  // screen moves: asked for while the screen rested, it would code the
  // first frame of a scroll or a drag, soon replaced, and leave no room
  // for the frames that follow it; it waits a second at most. One asked
  // for while the screen moved (a video) comes on time.
  bool KeyWaitsForRest(std::int64_t timeMs) const;
  // Whether a key frame comes with this frame, whose new content (what
  // motion does not explain) covers newContentPercent of the screen: a
  // page turned is coded much as a key frame codes it, and a key frame
  // after it would find the bucket emptied by it. So when one is asked
  // for (wanted), and also when one will be soon.
  bool KeyWithNewContent(bool wanted, std::int64_t timeMs, int newContentPercent) const;
  void KeyCoded(int q, std::int64_t bits, std::int64_t timeMs);
  // While a key frame is overdue, frames keep only what changed most, for
  // this many bits: half a share, so that the bucket drains for it; as
  // much as a crowded bucket gives while the screen rests on changes
  // still waiting, so that it does not show them wrong until the key frame.
  std::int64_t OverdueKeyBudget(bool leftoversOnly) const {
    return leftoversOnly ? frameShare_ * 3 / 2 : frameShare_ / 2;
  }
  // Whether another frame may be left out after this many in a row.
  bool MayLeaveOut(int leftOutInARow) const { return leftOutInARow < longestGap_; }

  // Whether what a plane costs at the coarsest quantiser kept must be
  // measured by coding it: near the rate's share, or for a few changes
  // (quick to code), the model is not to be trusted.
  bool MeasureKept(double predictedKeptBits, bool fewChanges) const;
  // The bucket is nearly full: a frame that costs more than its share
  // keeps only what changed most.
  bool Crowded() const { return fullness_ > capacity_ * 8 / 10; }
  struct PlanePlan {
    std::int64_t target = 0;
    int quantiser = 31;            // the first to try
    int finest = 2;                // the finest the search may go to
    std::int64_t refineBits = 0;   // for still parts shown coarser than the plane
    bool mayLeaveOut = false;      // else the plane is coded whole
    std::int64_t crowdedBits = 0;  // when not 0: keep what changed most within this
  };
  // Whether the screen moved since the last frame (not only changes left
  // pending by an earlier one); once a frame, before planning it.
  void NoteMotion(bool moved);
  // A scroll, a drag or a video: what a frame shows is soon replaced.
  bool Moving() const { return framesMoving_ >= 2; }
  // keptBits: what the plane costs at the coarsest quantiser kept.
  PlanePlan PlanPlane(const PlaneCost& cost, bool key, double keptBits) const;
  // High sharpness leaves a frame out rather than coarsen it to q.
  bool LeaveOutRatherThan(int q, const PlanePlan& plan, int leftOutInARow) const;

  // Where the still parts of the screen stand: for each quantiser q, the
  // error (sum of absolute differences from the source) and the number of
  // the macroblocks a decoder shows coarser than q.
  struct StillParts {
    std::array<double, 32> errorCoarserThan{};
    std::array<int, 32> countCoarserThan{};
  };
  struct Refinement {
    int quantiser = 31;
    std::int64_t bits = 0;  // for this plane; 0: the last picture is shown again meanwhile
  };
  // How the still parts of a still screen are sharpened this frame: the
  // finest quantiser the bucket's room and the rate pay for within a few
  // seconds, spread over those seconds, so that a screen that stops is
  // sharp soon after. A plane spends planeBits however little it refines:
  // the refinement of a few frames goes into one, so that those bits are a
  // small part of it. Nothing while the screen moves: it has only paused
  // for a frame.
  Refinement PlanRefinement(const StillParts& still, std::int64_t planeBits);

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
  int sharpness_;
  int framesMoving_ = 0;  // in a row, across single frames without motion
  int framesStill_ = 0;   // without motion, in a row
  int sharpenWaited_ = 0;  // still frames shown again while refinement gathers bits
  std::int64_t keyWantedSinceMs_ = -1;
  bool keyWantedAtRest_ = false;
  std::int64_t keyRoomSinceMs_ = -1;  // first frame the key frame asked for had room
  int lastKeyQuantiser_ = 0;
  int keyScreenQuantiser_ = 0;  // of the key frame asked for; 0 when not known
  std::int64_t lastKeyBits_ = 0;
  std::int64_t lastKeyMs_ = 0;
};

// Searches a plane's quantiser by coding it: the plan's guess first, then
// towards the target by the ratio of what came out (bits go roughly as
// 1/q), a few times at most.
class QuantiserSearch {
 public:
  QuantiserSearch(const RateControl& rate, const RateControl::PlanePlan& plan);
  int Quantiser() const { return q_; }
  // Takes what the plane came to at Quantiser(); answers whether to try
  // another one.
  bool Next(std::size_t bits);
  // The quantiser to keep: the finest tried that fitted, else the last.
  int Chosen() const { return good_ != 0 ? good_ : q_; }

 private:
  std::int64_t room_, target_;
  int q_, low_, high_, good_ = 0, attempts_ = 0;
};

}  // namespace mavrion::encoder::builtin::mpeg4
