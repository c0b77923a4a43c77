#include "core/settings/OutputFileName.h"

#include <cstdio>

namespace mavrion {

std::string ComposeDefaultOutputName(const std::string& filePath, const std::string& executableDirectory,
                                     const LocalTime& now) {
  bool useFilePath = filePath.size() >= 3 && filePath.size() <= kMaxDefaultDirectoryChars;
  const std::string& directory = useFilePath ? filePath : executableDirectory;
  if (directory.empty()) return {};

  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "\\%04d%02d%02d%02d%02d%02d.wmv", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  std::string name = directory + stamp;
  if (name.size() > kMaxOutputFileNameChars) return {};
  return name;
}

std::string ApplyWmvExtension(const std::string& name, const AnsiCodePage& codePage) {
  // Position 0 does not count: ".wmv" alone is a name without extension.
  if (FindText(name, ".wmv", 1, codePage) != std::string::npos) return name;
  if (FindText(name, ".WMV", 1, codePage) != std::string::npos) return name;
  return name + ".wmv";
}

void OnBrowseOutputFile(RecordingSettings& settings, const BrowsePorts& ports) {
  SaveAsRequest request;
  request.owner = ports.view.Handle();
  request.filter = kOutputFileFilter;

  std::string chosen;
  SaveAsResult result = ports.saveAs.Ask(request, chosen);
  if (result == SaveAsResult::Cancelled) return;
  if (result == SaveAsResult::Chosen) chosen = ApplyWmvExtension(chosen, ports.codePage);
  if (result == SaveAsResult::NameTooLong || chosen.size() > kMaxOutputFileNameChars) {
    ports.boxes.Show(request.owner, kOutputNameTooLongMessage, ports.applicationName, mb::kOk | mb::kIconWarning);
    return;
  }
  settings.OutputFileName = chosen;
  ports.exchange.RefreshControls();
}

}  // namespace mavrion
