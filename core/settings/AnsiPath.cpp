#include "core/settings/AnsiPath.h"

namespace mavrion {

std::size_t NextCharacter(std::string_view text, std::size_t index, const AnsiCodePage& codePage) {
  if (index >= text.size()) return text.size();
  if (codePage.IsLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size()) return index + 2;
  return index + 1;
}

std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from,
                     const AnsiCodePage& codePage) {
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i, codePage)) {
    if (i >= from && text.substr(i, needle.size()) == needle) return i;
  }
  return std::string_view::npos;
}

std::string RemoveFileSpec(std::string_view path, const AnsiCodePage& codePage) {
  // Up to two leading backslashes belong to the root ("\" or "\\server").
  std::size_t i = 0;
  std::size_t cut = 0;
  for (int leading = 0; leading < 2 && i < path.size() && path[i] == '\\'; ++leading) cut = ++i;

  while (i < path.size()) {
    if (path[i] == '\\') {
      cut = i;
    } else if (path[i] == ':') {
      // A drive's root backslash stays with the drive.
      cut = ++i;
      if (i < path.size() && path[i] == '\\') ++cut;
    }
    i = NextCharacter(path, i, codePage);
  }
  return std::string(path.substr(0, cut < path.size() ? cut : path.size()));
}

std::string ExecutableDirectory(ExecutableLocation& executable, const AnsiCodePage& codePage) {
  return RemoveFileSpec(executable.ExecutablePath(), codePage);
}

}  // namespace mavrion
