#pragma once
// Windows-1252 text to UTF-16: the ANSI code page of Western systems, for
// where the platform's own conversion is not at hand (native builds).
#include <string>
#include <string_view>

namespace mavrion::encoder::builtin {

std::u16string Windows1252ToUtf16(std::string_view text);

}  // namespace mavrion::encoder::builtin
