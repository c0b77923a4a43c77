#include "core/settings/OutputFileName.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace mavrion {

namespace {

// Directories shorter than this (empty, or a bare drive such as "D:") are
// replaced by the executable's directory.
constexpr std::size_t kMinDirectoryChars = 3;

// "<directory>\YYYYMMDDhhmmss.wmv", or "" when it would not fit the name
// buffer or there is no directory.
std::string TimeStampedName(const std::string& directory, const LocalTime& now) {
  if (directory.empty()) return {};
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "\\%04d%02d%02d%02d%02d%02d.wmv", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  std::string name = directory + stamp;
  if (name.size() > kMaxOutputFileNameChars) return {};
  return name;
}

}  // namespace

std::string ComposeDefaultOutputName(const std::string& filePath, const std::string& executableDirectory,
                                     const LocalTime& now) {
  bool useFilePath = filePath.size() >= kMinDirectoryChars && filePath.size() <= kMaxDefaultDirectoryChars;
  return TimeStampedName(useFilePath ? filePath : executableDirectory, now);
}

std::string ApplyWmvExtension(const std::string& name, const AnsiCodePage& codePage) {
  // Position 0 does not count: ".wmv" alone is a name without extension.
  if (FindText(name, ".wmv", 1, codePage) != std::string::npos) return name;
  if (FindText(name, ".WMV", 1, codePage) != std::string::npos) return name;
  return name + ".wmv";
}

bool OnBrowseOutputFile(RecordingSettings& settings, const BrowsePorts& ports) {
  SaveAsRequest request;
  request.owner = ports.view.Handle();
  request.filter = kOutputFileFilter;

  std::string chosen;
  SaveAsResult result = ports.saveAs.Ask(request, chosen);
  if (result == SaveAsResult::Cancelled) return false;
  if (result == SaveAsResult::Chosen) chosen = ApplyWmvExtension(chosen, ports.codePage);
  if (result == SaveAsResult::NameTooLong || chosen.size() > kMaxOutputFileNameChars) {
    ports.boxes.Show(request.owner, kOutputNameTooLongMessage, ports.applicationName, mb::kOk | mb::kIconWarning);
    return false;
  }
  settings.OutputFileName = chosen;
  ports.exchange.RefreshControls();
  return true;
}

namespace {

// File names are compared as the file system does, without regard to case.
bool SameFileName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

constexpr const char* kWmv = ".wmv";
constexpr int kMaxNameSuffix = 99;

}  // namespace

void RecordedOutputNames::NoteRecorded(const std::string& name) {
  if (!WasRecorded(name)) recorded_.push_back(name);
  chosenSinceLastRecording_ = false;
}

bool RecordedOutputNames::WasRecorded(const std::string& name) const {
  return std::any_of(recorded_.begin(), recorded_.end(),
                     [&name](const std::string& recorded) { return SameFileName(recorded, name); });
}

std::string RecordedOutputNames::NameForNextRecording(const std::string& current,
                                                      const std::string& executableDirectory,
                                                      const LocalTime& now, const AnsiCodePage& codePage) const {
  if (chosenSinceLastRecording_ || !WasRecorded(current)) return current;
  std::string folder = RemoveFileSpec(current, codePage);
  if (folder.size() < kMinDirectoryChars) folder = executableDirectory;
  const std::string fresh = TimeStampedName(folder, now);
  if (fresh.empty() || !WasRecorded(fresh)) return fresh;
  // Within the second of an earlier name: number the new one.
  const std::string stem = fresh.substr(0, fresh.size() - std::char_traits<char>::length(kWmv));
  for (int number = 2; number <= kMaxNameSuffix; ++number) {
    std::string numbered = stem + "-" + std::to_string(number) + kWmv;
    if (numbered.size() > kMaxOutputFileNameChars) break;
    if (!WasRecorded(numbered)) return numbered;
  }
  return {};
}

}  // namespace mavrion
