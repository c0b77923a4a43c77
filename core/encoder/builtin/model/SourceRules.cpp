#include "core/encoder/builtin/model/SourceRules.h"

#include <algorithm>

namespace mavrion::encoder::builtin {
namespace {

constexpr const char* kDeviceScheme = "Device://";
constexpr const char* kDefaultDeviceName = "Default_Audio_Device";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

ScreenRect ClipArea(const ScreenRect& area, const ScreenRect& bounds) {
  return ScreenRect{std::max(area.left, bounds.left), std::max(area.top, bounds.top),
                    std::min(area.right, bounds.right), std::min(area.bottom, bounds.bottom)};
}

ScreenRect ResolveCaptureArea(const CaptureAreaProperties& properties, const ScreenRect& screen) {
  if (properties.screen) return screen;
  return ClipArea(ScreenRect{properties.left, properties.top, properties.right, properties.bottom}, screen);
}

bool IsEmptyArea(const ScreenRect& area) { return area.right <= area.left || area.bottom <= area.top; }

std::optional<AudioInputChoice> ParseAudioInput(const std::string& input) {
  const std::string scheme = kDeviceScheme;
  if (input.size() <= scheme.size() || !SameTextIgnoringCase(input.substr(0, scheme.size()), scheme)) {
    return std::nullopt;
  }
  AudioInputChoice choice;
  choice.name = input.substr(scheme.size());
  choice.defaultDevice = SameTextIgnoringCase(choice.name, kDefaultDeviceName);
  if (choice.defaultDevice) choice.name.clear();
  return choice;
}

std::optional<std::size_t> MatchAudioDevice(const std::vector<std::string>& deviceNames,
                                            const std::string& wanted) {
  if (wanted.empty()) return std::nullopt;
  for (std::size_t i = 0; i < deviceNames.size(); ++i) {
    if (deviceNames[i] == wanted) return i;
  }
  // A longer name reaches the device lists of other system parts whole but
  // the sound input's own list cut short.
  for (std::size_t i = 0; i < deviceNames.size(); ++i) {
    const std::string& name = deviceNames[i];
    if (name.size() == kShortDeviceNameChars && wanted.size() > name.size() &&
        wanted.compare(0, name.size(), name) == 0) {
      return i;
    }
  }
  return std::nullopt;
}

}  // namespace mavrion::encoder::builtin
