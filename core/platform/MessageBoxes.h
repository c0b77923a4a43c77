#pragma once
// Modal message boxes. Styles and answers use the platform's numbers so the
// adapter passes them through unchanged.
#include <string>

#include "core/platform/Types.h"

namespace mavrion {

namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconError = 0x10;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // owner 0 shows a box without owner window. Answers the button pressed.
  virtual int Show(WindowHandle owner, const std::string& text,
                   const std::string& caption, unsigned style) = 0;
};

}  // namespace mavrion
