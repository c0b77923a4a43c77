#include "win32/encoder/ComSupport.h"

#include <vector>

namespace mavrion::win32 {

Bstr::Bstr(const std::string& ansi) {
  const int length = static_cast<int>(ansi.size());
  const int wide = length == 0 ? 0 : MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.data(), length, nullptr, 0);
  text_ = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
  if (text_ && wide > 0) MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.data(), length, text_, wide);
}

std::optional<std::string> AnsiFromWide(const wchar_t* text) {
  if (!text) return std::nullopt;
  // Two bytes per character and the terminating zero cover any double-byte
  // code page.
  std::vector<char> buffer(2 * (static_cast<std::size_t>(lstrlenW(text)) + 1));
  if (WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, buffer.data(), static_cast<int>(buffer.size()),
                          nullptr, nullptr) == 0) {
    return std::nullopt;
  }
  return std::string(buffer.data());
}

}  // namespace mavrion::win32
