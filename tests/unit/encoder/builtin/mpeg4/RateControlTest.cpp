#include "core/encoder/builtin/mpeg4/RateControl.h"

#include <gtest/gtest.h>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// A page of new content: a change the bucket's room pays for at once, but
// not while the screen goes on moving (each frame of a scroll is soon
// replaced); the frame it rests on may take the room again.
TEST(RateControlTest, NewContentTakesTheRoomOnlyWhereTheScreenComesToRest) {
  RateControl rate(400000, 5000, 15000, 95);
  RateControl::PlaneCost page;
  for (int i = 0; i < 2000; ++i) page.Add(RateControl::kIntra, 20000);
  auto target = [&](bool moved) {
    rate.NoteMotion(moved);
    return rate.PlanPlane(page, false, 1e9).target;
  };
  const std::int64_t share = rate.FrameShare();
  EXPECT_GT(target(true), 20 * share) << "a page turned";
  for (int frame = 1; frame <= 2; ++frame) EXPECT_LT(target(true), 3 * share) << "a scroll going on, frame " << frame;
  EXPECT_GT(target(false), 20 * share) << "what is left of it once the screen rests";
  rate.Add(static_cast<std::uint64_t>(rate.Capacity() * 6 / 10));
  EXPECT_LT(target(false), 3 * share) << "but not from a bucket filled by the bursts before";
}

// A video often shows the same picture twice when captured: that pause is
// neither sharpened nor the end of its motion, so that the frame after it
// is no page that takes the room. Two frames without motion are a rest.
TEST(RateControlTest, AVideoThatShowsOnePictureTwiceGoesOnMoving) {
  RateControl rate(400000, 5000, 15000, 95);
  RateControl::PlaneCost page;
  for (int i = 0; i < 2000; ++i) page.Add(RateControl::kIntra, 20000);
  RateControl::StillParts still;
  still.errorCoarserThan.fill(1e5);
  still.countCoarserThan.fill(1000);
  for (int frame = 0; frame < 20; ++frame) rate.NoteMotion(true);
  rate.NoteMotion(false);
  EXPECT_EQ(rate.PlanRefinement(still, 10).bits, 0);
  rate.NoteMotion(true);
  EXPECT_LT(rate.PlanPlane(page, false, 1e9).target, 3 * rate.FrameShare());
  rate.NoteMotion(false);
  rate.NoteMotion(false);
  EXPECT_GT(rate.PlanRefinement(still, 10).bits, 0) << "at rest";
}

// Sharpening finer than text needs keeps room for the next page: from a
// bucket 40% full it spends less than the rate's share, though parts of
// the screen are still coarse.
TEST(RateControlTest, SharpeningFinerThanTextNeedsLetsTheBucketDrain) {
  RateControl rate(400000, 5000, 15000, 95);
  rate.Add(static_cast<std::uint64_t>(rate.Capacity() * 4 / 10));
  RateControl::StillParts still;
  still.errorCoarserThan.fill(100);
  still.countCoarserThan.fill(10);
  const RateControl::Refinement r = rate.PlanRefinement(still, 10);
  ASSERT_LT(r.quantiser, 4);
  EXPECT_LT(r.bits, rate.FrameShare());
}

// The model only guesses what new content costs: a page (or a key frame)
// that comes out at three times the guess is still kept at the quantiser
// it aims at while it fits the room, rather than coarsened to the guess.
TEST(RateControlTest, APageDearerThanTheModelGuessedKeepsItsQuantiserWithinTheRoom) {
  for (bool key : {false, true}) {
    RateControl rate(400000, 5000, 15000, 95);
    RateControl::PlaneCost page;
    for (int i = 0; i < 2000; ++i) page.Add(RateControl::kIntra, 500);
    rate.NoteMotion(!key);
    const RateControl::PlanePlan plan = rate.PlanPlane(page, key, 1e9);
    QuantiserSearch search(rate, plan);
    const double guess = rate.PredictBits(page, search.Quantiser());
    ASSERT_LT(3 * guess, static_cast<double>(rate.Room()));
    while (search.Next(static_cast<std::size_t>(3 * rate.PredictBits(page, search.Quantiser())))) {
    }
    EXPECT_EQ(search.Chosen(), plan.finest) << "key " << key;
    EXPECT_GT(plan.finest, rate.FinestQuantiser()) << "and no finer than it aims at, key " << key;
  }
}

// A key frame waits for room for one like the last, but only as sharp as
// the screen is shown now: a screen shown coarser gets its key sooner.
TEST(RateControlTest, AKeyFrameWaitsOnlyForRoomForTheScreenAsSharpAsItIs) {
  RateControl rate(400000, 5000, 15000, 95);
  rate.KeyCoded(5, rate.Capacity() / 2, 0);
  rate.Add(static_cast<std::uint64_t>(rate.Capacity() / 2));
  EXPECT_EQ(rate.TimeKey(true, 0, 5), RateControl::KeyTiming::kNotNow) << "a screen as sharp as the last key";
  EXPECT_EQ(rate.TimeKey(true, 0, 20), RateControl::KeyTiming::kNow) << "a screen four times coarser";
}

// A page turned codes much of the screen anyway: it becomes the key frame
// when one is asked for, or will be soon, rather than have one follow it.
TEST(RateControlTest, APageTurnedShortlyBeforeAKeyFrameIsDueIsTheKeyFrame) {
  RateControl rate(400000, 5000, 15000, 95);
  rate.KeyCoded(5, rate.Capacity() / 2, 1000);
  EXPECT_FALSE(rate.KeyWithNewContent(false, 4000, 40)) << "long before";
  EXPECT_TRUE(rate.KeyWithNewContent(false, 9000, 40)) << "soon";
  EXPECT_FALSE(rate.KeyWithNewContent(true, 11000, 10)) << "a change too small";
}

// A key frame that waited for room still waits for a drag that starts as
// the room comes: coded with its first frame, it would leave no room for
// the rest of the drag.
TEST(RateControlTest, AKeyFrameWaitsForRestFromWhenItHasRoom) {
  RateControl rate(400000, 5000, 15000, 95);
  rate.KeyCoded(5, rate.Capacity() / 2, 0);
  rate.Add(static_cast<std::uint64_t>(rate.Capacity() * 8 / 10));
  rate.NoteMotion(false);
  EXPECT_EQ(rate.TimeKey(true, 10000, 5), RateControl::KeyTiming::kNotNow);
  rate.Advance(11500);
  ASSERT_EQ(rate.TimeKey(true, 11500, 5), RateControl::KeyTiming::kNow);
  EXPECT_TRUE(rate.KeyWaitsForRest(11500));
  EXPECT_FALSE(rate.KeyWaitsForRest(12500)) << "a second at most";
}

// Draining the bucket for a key frame leaves most of each frame out: while
// the screen moves, the key frame waits longer for it to rest.
TEST(RateControlTest, AKeyFrameBecomesOverdueLaterWhileTheScreenMoves) {
  for (bool moving : {false, true}) {
    RateControl rate(400000, 5000, 15000, 95);
    rate.KeyCoded(5, rate.Capacity(), 0);
    rate.Add(static_cast<std::uint64_t>(rate.Capacity() / 2));
    rate.NoteMotion(moving);
    rate.NoteMotion(moving);
    EXPECT_EQ(rate.TimeKey(true, 0, 5), RateControl::KeyTiming::kNotNow);
    EXPECT_EQ(rate.TimeKey(true, 3000, 5), moving ? RateControl::KeyTiming::kNotNow : RateControl::KeyTiming::kOverdue)
        << (moving ? "moving" : "at rest");
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin::mpeg4
