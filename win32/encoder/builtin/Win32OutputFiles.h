#pragma once
// The recording's file through the system's file calls. What is written
// is handed to the system at once (no buffer of the program's own), so a
// recording whose program is killed keeps everything written.
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::win32 {

class Win32OutputFiles : public encoder::builtin::OutputFiles {
 public:
  bool CanCreate(const std::string& path) override;
  std::unique_ptr<encoder::builtin::OutputSink> Create(const std::string& path, HResult* failure) override;
};

}  // namespace mavrion::win32
