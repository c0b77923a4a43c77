#include "win32/settings/Win32SettingsPorts.h"

#include <commdlg.h>

#include <cstdio>
#include <vector>

#include "win32/framework/Dialog.h"

namespace mavrion {

std::string Win32ProfileStore::GetString(const std::string& section, const std::string& key,
                                         const std::string& defaultValue, std::size_t maxChars,
                                         const std::string& path) {
  if (maxChars == 0) return {};
  std::vector<char> buffer(maxChars, '\0');
  DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                          static_cast<DWORD>(maxChars), path.c_str());
  return std::string(buffer.data(), length);
}

bool Win32ProfileStore::WriteString(const std::string& section, const std::string& key, const std::string& value,
                                    const std::string& path) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != FALSE;
}

SaveAsResult Win32SaveAsDialog::Ask(const SaveAsRequest& request, std::string& name) {
  // "description|pattern||" becomes the double-NUL list the dialog reads.
  std::string filter = request.filter;
  for (char& c : filter) {
    if (c == '|') c = '\0';
  }
  std::vector<char> buffer(kNameBufferChars, '\0');
  request.initialName.copy(buffer.data(), buffer.size() - 1);

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = reinterpret_cast<HWND>(request.owner);
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
  dialog.Flags = (request.explorerStyle ? OFN_EXPLORER : 0) | (request.hideReadOnly ? OFN_HIDEREADONLY : 0) |
                 (request.overwritePrompt ? OFN_OVERWRITEPROMPT : 0);

  const ModalWindows::Scope counted(framework::ProgramModalWindows());
  if (GetSaveFileNameA(&dialog)) {
    name.assign(buffer.data());
    return SaveAsResult::Chosen;
  }
  return CommDlgExtendedError() == FNERR_BUFFERTOOSMALL ? SaveAsResult::NameTooLong : SaveAsResult::Cancelled;
}

bool Win32AnsiCodePage::IsLeadByte(unsigned char byte) const { return IsDBCSLeadByte(byte) != FALSE; }

bool CrtFileAppender::Append(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "a");
  if (!file) return false;
  bool written = std::fputs(text.c_str(), file) >= 0;
  return std::fclose(file) == 0 && written;
}

}  // namespace mavrion
