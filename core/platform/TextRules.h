#pragma once
// Text rules the program applies in several places.
#include <cstdint>
#include <string>
#include <string_view>

namespace mavrion {

// The standard text-to-integer conversion (atoi): leading white space, an
// optional sign, then decimal digits up to the first other character; a
// text without digits gives 0. Values beyond 32 bits are clamped.
std::int32_t TextToInt(std::string_view text);

// The executable's file name without directory and extension: the name
// message boxes without a caption of their own carry.
std::string ApplicationNameFromPath(std::string_view executablePath);

}  // namespace mavrion
