#pragma once
// The descriptive texts of the output file, as the video description dialog
// holds them: whole, in the ANSI code page, empty until the user confirms
// the dialog. A recording takes a shortened copy of them at Start.
#include <string>

namespace mavrion {

struct VideoMetadata {
  std::string Author;       // field IDC_AUTHOR
  std::string Title;        // field IDC_TITLE
  std::string Copyright;    // field IDC_COPYRIGHT
  std::string Description;  // field IDC_DESCRIPTION
};

}  // namespace mavrion
