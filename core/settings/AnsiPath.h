#pragma once
// Paths in the ANSI code page are walked character by character: in a
// double-byte code page a trail byte may equal '\\' or '.', and must not be
// taken for one.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/platform/ExecutableLocation.h"

namespace mavrion {

class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;
  // Whether the byte starts a two-byte character (IsDBCSLeadByte).
  virtual bool IsLeadByte(unsigned char byte) const = 0;
};

// Index of the character after the one at index (CharNextA): two bytes for
// a lead byte with a byte after it, else one; text.size() stays put.
std::size_t NextCharacter(std::string_view text, std::size_t index, const AnsiCodePage& codePage);

// Index of the first occurrence of needle that starts on a character
// boundary at or after index from, or npos (_mbsstr from a position).
std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from,
                     const AnsiCodePage& codePage);

// The directory part of a path as PathRemoveFileSpecA leaves it: the last
// component and the backslash before it go; a root keeps its backslash
// ("C:\clip.wmv" gives "C:\", "\clip.wmv" gives "\"); a path without a
// backslash gives ""; "\\server\share\clip.wmv" gives "\\server\share" and
// "\\server" gives "\\".
std::string RemoveFileSpec(std::string_view path, const AnsiCodePage& codePage);

// The directory of the running executable; "" when it is unknown.
std::string ExecutableDirectory(ExecutableLocation& executable, const AnsiCodePage& codePage);

}  // namespace mavrion
