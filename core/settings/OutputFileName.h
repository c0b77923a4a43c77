#pragma once
// The output video file's name: the time-stamped default composed at
// start-up, and the user's choice in the Save-As dialog with the ".wmv" rule.
#include <cstddef>
#include <string>
#include <vector>

#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Types.h"
#include "core/settings/AnsiPath.h"
#include "core/settings/RecordingSettings.h"

namespace mavrion {

// A FILE_PATH longer than this would push the composed name past its buffer;
// it is ignored for the executable's directory.
inline constexpr std::size_t kMaxDefaultDirectoryChars = 231;

// "<directory>\YYYYMMDDhhmmss.wmv" with FILE_PATH as directory when it has 3
// to 231 characters, else with the executable's directory. The separator is
// always inserted, also after a root such as "C:\". Answers "" when the name
// would not fit kMaxOutputFileNameChars or the executable's directory is
// unknown, so that Start asks for a name instead of writing elsewhere.
std::string ComposeDefaultOutputName(const std::string& filePath, const std::string& executableDirectory,
                                     const LocalTime& now);

// Keeps a name holding ".wmv" after its first character, else one holding
// ".WMV" there, else appends ".wmv". Case-sensitive, character-aware, not
// tied to the end of the name.
std::string ApplyWmvExtension(const std::string& name, const AnsiCodePage& codePage);

// What the Save-As dialog is opened with.
struct SaveAsRequest {
  WindowHandle owner = 0;
  std::string filter;            // "description|pattern|...|" as the dialog framework writes it
  std::string defaultExtension;  // "" for none
  std::string initialName;       // "" for none
  bool explorerStyle = true;     // the newer dialog style (OFN_EXPLORER)
  bool hideReadOnly = true;      // OFN_HIDEREADONLY
  bool overwritePrompt = true;   // OFN_OVERWRITEPROMPT
};

enum class SaveAsResult { Chosen, Cancelled, NameTooLong };

class SaveAsDialog {
 public:
  virtual ~SaveAsDialog() = default;
  // Runs the dialog modally. Chosen sets name to the full path; NameTooLong
  // means the user chose a name longer than the dialog could hand back.
  virtual SaveAsResult Ask(const SaveAsRequest& request, std::string& name) = 0;
};

// The stray ";" in the filter's name is the program's own: keep it.
inline constexpr const char* kOutputFileFilter = "Media File (*.wmv;)|*.wmv||";
inline constexpr const char* kOutputNameTooLongMessage =
    "The chosen file name is too long. Please choose a shorter name: the full path of the "
    "video file, with its \".wmv\" extension, may have at most 255 characters.";

struct BrowsePorts {
  DialogView& view;  // the main dialog: owner of the Save-As dialog and the warning
  DataExchange& exchange;
  SaveAsDialog& saveAs;
  MessageBoxes& boxes;
  const AnsiCodePage& codePage;
  std::string applicationName;  // caption of the warning
};

// Button "...": the user's choice with the ".wmv" rule becomes the output
// name and the controls are refreshed. Cancel changes nothing; a name too
// long for the encoder's name buffer is refused with a warning and the
// previous name stays. Answers whether a name was taken.
bool OnBrowseOutputFile(RecordingSettings& settings, const BrowsePorts& ports);

// The names the recordings of this run have written. The default name is
// composed once per run, so a second Start would write over the first
// recording: a Start into a name already recorded takes a fresh time-stamped
// name in the same folder instead, unless the user chose that name with
// "..." since the last recording (the Save-As dialog asked about
// overwriting it then).
class RecordedOutputNames {
 public:
  // The encoder has started recording into name.
  void NoteRecorded(const std::string& name);
  // The user took a name in the Save-As dialog.
  void NoteChosen() { chosenSinceLastRecording_ = true; }

  // The name the next recording is to use instead of current: current
  // itself unless a recording of this run used it and it was not chosen
  // since; else "<folder of current>\YYYYMMDDhhmmss.wmv" with the local time
  // (the executable's directory for a folder shorter than 3 characters, as
  // for the default name), with "-2", "-3", ... before ".wmv" while that
  // name was recorded too. "" when no such name fits the name buffer in
  // that folder: Start then asks for a name instead of writing elsewhere.
  std::string NameForNextRecording(const std::string& current, const std::string& executableDirectory,
                                   const LocalTime& now, const AnsiCodePage& codePage) const;

 private:
  bool WasRecorded(const std::string& name) const;

  std::vector<std::string> recorded_;
  bool chosenSinceLastRecording_ = false;
};

}  // namespace mavrion
