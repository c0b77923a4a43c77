#pragma once
#include <string>

namespace mavrion {

class ExecutableLocation {
 public:
  virtual ~ExecutableLocation() = default;
  // Full path of the running executable (GetModuleFileNameA), ANSI.
  virtual std::string ExecutablePath() = 0;
};

}  // namespace mavrion
