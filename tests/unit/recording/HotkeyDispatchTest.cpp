#include "core/recording/HotkeyDispatch.h"

#include <gtest/gtest.h>

namespace mavrion {
namespace {

TEST(HotkeyDispatchTest, EachKeyActsOnlyInItsStates) {
  using C = HotkeyCommand;
  const RecorderState states[] = {RecorderState::Idle, RecorderState::Recording,
                                  RecorderState::Paused, RecorderState::Resumed};
  // Rows: codes 0 to 5; columns: Idle, Recording, Paused, Resumed.
  const C expected[6][4] = {
      {C::None, C::None, C::None, C::None},
      {C::StartCapture, C::None, C::None, C::None},
      {C::None, C::PauseCapture, C::None, C::PauseCapture},
      {C::None, C::None, C::ResumeCapture, C::None},
      {C::None, C::StopCapture, C::StopCapture, C::StopCapture},
      {C::None, C::None, C::None, C::None},
  };
  for (std::uintptr_t code = 0; code < 6; ++code) {
    for (int s = 0; s < 4; ++s) {
      EXPECT_EQ(HotkeyCommandFor(code, states[s]), expected[code][s]) << code << " " << s;
    }
  }
  EXPECT_EQ(HotkeyCommandFor(0x10001, RecorderState::Idle), C::None);
}

}  // namespace
}  // namespace mavrion
