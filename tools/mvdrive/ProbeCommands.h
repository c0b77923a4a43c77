// How mvdrive.exe asks mvprobe.dll, inside the program's process, to read
// what only that process can read: the registered message kProbeMessage sent
// to a window of the program's thread, with the command in wParam and the
// window to read in lParam. The answer is one JSON line in ProbeAnswerPath.
#pragma once

#include <windows.h>

#include <string>

namespace mv {

const char kProbeMessage[] = "MvProbeRequest";

enum ProbeCommand : UINT {
  kProbeMenu = 1,      // the menu bar of the window
  kProbePopup = 2,     // the open popup menus of the process
  kProbeListView = 3,  // the rows of a list-view control
  kProbeCombo = 4,     // the items and selection of a combo box
  kProbeSystemMenu = 5,  // the system (window) menu of the window
  kProbeTextFit = 6,     // each child's text measured in its own font, beside its size
};

inline std::string ProbeAnswerPath(DWORD process) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "mvprobe-" + std::to_string(process) + ".json";
}

}  // namespace mv
