#pragma once
// The settings, output-name and log ports over the private-profile
// functions, the common Save-As dialog, the ANSI code page and the C
// library's files.
#include <windows.h>

#include <cstddef>
#include <string>

#include "core/settings/ActivityLog.h"
#include "core/settings/AnsiPath.h"
#include "core/settings/OutputFileName.h"
#include "core/settings/ProfileStore.h"

namespace mavrion {

class Win32ProfileStore : public ProfileStore {
 public:
  std::string GetString(const std::string& section, const std::string& key, const std::string& defaultValue,
                        std::size_t maxChars, const std::string& path) override;
  bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& path) override;
};

// GetSaveFileNameA with a name buffer well beyond the longest name the
// program accepts, so that a longer choice is seen rather than cut.
class Win32SaveAsDialog : public SaveAsDialog {
 public:
  static constexpr std::size_t kNameBufferChars = 1024;
  SaveAsResult Ask(const SaveAsRequest& request, std::string& name) override;
};

class Win32AnsiCodePage : public AnsiCodePage {
 public:
  bool IsLeadByte(unsigned char byte) const override;
};

// fopen "a" (text mode, shared), fputs, fclose.
class CrtFileAppender : public FileAppender {
 public:
  bool Append(const std::string& path, const std::string& text) override;
};

}  // namespace mavrion
