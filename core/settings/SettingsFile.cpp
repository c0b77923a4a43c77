#include "core/settings/SettingsFile.h"

#include "core/platform/TextRules.h"
#include "core/settings/OutputFileName.h"

namespace mavrion {
namespace {

// Buffer sizes of the reads, terminator included.
constexpr std::size_t kFilePathBufferChars = 260;
constexpr std::size_t kValueBufferChars = 1000;

// A stored "0" keeps the list's initial selection; any other text selects
// the index it converts to, and an index outside the list selects nothing.
void LoadListSelection(const SettingsPorts& ports, const std::string& file, const char* key,
                       const char* defaultValue, int listId) {
  std::string text = ports.profile.GetString(kSettingsSection, key, defaultValue, kValueBufferChars, file);
  if (text == "0") return;
  ports.view.ComboSetSelection(listId, TextToInt(text));
}

void SaveListSelection(const SettingsPorts& ports, const std::string& file, const char* key, int listId) {
  ports.profile.WriteString(kSettingsSection, key, std::to_string(ports.view.ComboSelection(listId)), file);
}

}  // namespace

std::string SettingsFilePath(const std::string& executableDirectory) {
  if (executableDirectory.empty()) return {};
  return executableDirectory + "\\" + kSettingsFileName;
}

void LoadSettings(RecordingSettings& settings, const SettingsPorts& ports) {
  std::string directory = ExecutableDirectory(ports.executable, ports.codePage);
  std::string file = SettingsFilePath(directory);
  LocalTime now = ports.clock.Now();

  std::string filePath;
  if (!file.empty()) filePath = ports.profile.GetString(kSettingsSection, kKeyFilePath, "", kFilePathBufferChars, file);
  settings.OutputFileName = ComposeDefaultOutputName(filePath, directory, now);

  if (!file.empty()) {
    LoadListSelection(ports, file, kKeyFrameRate, "1", kFrameRateListId);
    LoadListSelection(ports, file, kKeyImageQuality, "95", kQualityListId);
    LoadListSelection(ports, file, kKeyHeight, "0", kHeightListId);
    LoadListSelection(ports, file, kKeyWidth, "0", kWidthListId);

    std::string flash = ports.profile.GetString(kSettingsSection, kKeyFlash, "0", kValueBufferChars, file);
    if (flash != "0") settings.FlashRecordingArea = 1;
  }
  ports.exchange.RefreshControls();
}

void OnSaveSettings(RecordingSettings& settings, const SettingsPorts& ports) {
  ports.exchange.ReadControls();
  std::string file = SettingsFilePath(ExecutableDirectory(ports.executable, ports.codePage));
  if (file.empty()) return;

  ProfileStore& profile = ports.profile;
  profile.WriteString(kSettingsSection, kKeyFilePath, RemoveFileSpec(settings.OutputFileName, ports.codePage), file);
  SaveListSelection(ports, file, kKeyFrameRate, kFrameRateListId);
  SaveListSelection(ports, file, kKeyImageQuality, kQualityListId);
  profile.WriteString(kSettingsSection, kKeyRecordingType, std::to_string(settings.AudioMode), file);
  profile.WriteString(kSettingsSection, kKeyFlash, settings.FlashRecordingArea != 0 ? "1" : "0", file);
  SaveListSelection(ports, file, kKeyHeight, kHeightListId);
  SaveListSelection(ports, file, kKeyWidth, kWidthListId);
}

}  // namespace mavrion
