#pragma once
// The descriptive texts of the output file, as the video description dialog
// holds them: whole, in the ANSI code page, empty until the user confirms
// the dialog. A recording takes a shortened copy of them at Start.
#include <string>

namespace mavrion {

struct VideoMetadata {
  std::string Author;       // field 1050
  std::string Title;        // field 1001
  std::string Copyright;    // field 1002
  std::string Description;  // field 1003
};

}  // namespace mavrion
