#include "hodll/HotkeyFilter.h"

#include <gtest/gtest.h>

namespace mavrion {
namespace {

constexpr unsigned kF5 = 0x74, kF6 = 0x75, kF7 = 0x76, kF8 = 0x77, kF9 = 0x78, kF10 = 0x79;
constexpr unsigned kLetterA = 0x41;

TEST(HotkeyFilterTest, EachOfF6ToF9ReportsItsCodeOncePerPress) {
  HotkeyFilter filter;
  EXPECT_EQ(filter.OnKey(kF6, true, false), 1);
  EXPECT_EQ(filter.OnKey(kF6, false, true), 0);
  EXPECT_EQ(filter.OnKey(kF7, true, false), 2);
  EXPECT_EQ(filter.OnKey(kF7, false, true), 0);
  EXPECT_EQ(filter.OnKey(kF8, true, false), 3);
  EXPECT_EQ(filter.OnKey(kF8, false, true), 0);
  EXPECT_EQ(filter.OnKey(kF9, true, false), 4);
  EXPECT_EQ(filter.OnKey(kF9, false, true), 0);
  // A second press after the key-up counts again.
  EXPECT_EQ(filter.OnKey(kF6, true, false), 1);
}

TEST(HotkeyFilterTest, OtherKeysReportNothing) {
  HotkeyFilter filter;
  for (unsigned key : {kF5, kF10, kLetterA, 0u, 0xFFu, 0xFFFFFFFFu}) {
    EXPECT_EQ(filter.OnKey(key, true, false), 0) << key;
    EXPECT_EQ(filter.OnKey(key, false, true), 0) << key;
  }
}

TEST(HotkeyFilterTest, HeldKeyReportsOnlyItsFirstKeyDown) {
  HotkeyFilter filter;
  EXPECT_EQ(filter.OnKey(kF7, true, false), 2);
  for (int repeat = 0; repeat < 20; ++repeat) EXPECT_EQ(filter.OnKey(kF7, true, true), 0);
  // Other keys pressed while F7 is held still count, and F7 still repeats.
  EXPECT_EQ(filter.OnKey(kF9, true, false), 4);
  EXPECT_EQ(filter.OnKey(kF7, true, true), 0);
  EXPECT_EQ(filter.OnKey(kF7, false, true), 0);
  EXPECT_EQ(filter.OnKey(kF7, true, false), 2);
}

TEST(HotkeyFilterTest, RepeatIsRecognisedWithoutTheSystemsKeyState) {
  // Where the system already counts this event in its key state, the filter's
  // own tracking still tells a repeat from a press.
  HotkeyFilter filter;
  EXPECT_EQ(filter.OnKey(kF8, true, true), 3);
  EXPECT_EQ(filter.OnKey(kF8, true, true), 0);
  EXPECT_EQ(filter.OnKey(kF8, false, true), 0);
  EXPECT_EQ(filter.OnKey(kF8, true, true), 3);
}

TEST(HotkeyFilterTest, KeyUpMissedByTheHookDoesNotSwallowTheNextPress) {
  HotkeyFilter filter;
  EXPECT_EQ(filter.OnKey(kF9, true, false), 4);
  // The key-up went by unseen; the system shows the key released.
  EXPECT_EQ(filter.OnKey(kF9, true, false), 4);
}

TEST(HotkeyFilterTest, ResetForgetsHeldKeys) {
  HotkeyFilter filter;
  EXPECT_EQ(filter.OnKey(kF6, true, false), 1);
  filter.Reset();
  EXPECT_EQ(filter.OnKey(kF6, true, true), 1);
}

}  // namespace
}  // namespace mavrion
