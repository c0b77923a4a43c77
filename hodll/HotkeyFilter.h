#pragma once
// Turns the keyboard's key-down and key-up events into hotkey presses: one
// code per press of F6 to F9, none for the key-downs the keyboard repeats
// while a key is held. Portable, so the rules are tested without Windows.
#include <array>

namespace mavrion {

class HotkeyFilter {
 public:
  static constexpr unsigned kFirstKey = 0x75;  // VK_F6; F7, F8, F9 follow
  static constexpr int kKeyCount = 4;

  // One key event. heldBefore tells whether the system saw the key held just
  // before this event; it mends a key-up the hook never saw (the system skips
  // a hook that answers too slowly), which would otherwise swallow the next
  // press. Answers the code to report (1 to 4), or 0 when there is none.
  int OnKey(unsigned virtualKey, bool keyDown, bool heldBefore) {
    if (virtualKey < kFirstKey || virtualKey >= kFirstKey + kKeyCount) return 0;
    const int index = static_cast<int>(virtualKey - kFirstKey);
    if (!keyDown) {
      down_[index] = false;
      return 0;
    }
    if (down_[index] && heldBefore) return 0;  // auto-repeat
    down_[index] = true;
    return index + 1;
  }

  void Reset() { down_ = {}; }

 private:
  std::array<bool, kKeyCount> down_{};
};

}  // namespace mavrion
