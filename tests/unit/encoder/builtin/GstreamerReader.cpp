#include "tests/unit/encoder/builtin/GstreamerReader.h"

#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin::gstreamer_reader {

namespace {

// Debian's own interpreter: the binding comes as a Debian package, which
// another python3 first on the PATH would not see.
const char kPython[] = "/usr/bin/python3";

std::string Script() {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/') + 1) + "gst_read.py";
}

}  // namespace

std::string MissingGstreamer() {
  int code = 0;
  media_tools::Run(std::string(kPython) +
                       " -c \"import gi; gi.require_version('Gst', '1.0'); from gi.repository import Gst\""
                       " >/dev/null 2>&1",
                   &code);
  if (code != 0) return "GStreamer's Python binding (python3-gi, gir1.2-gstreamer-1.0) not found";
  media_tools::Run("gst-inspect-1.0 asfdemux >/dev/null 2>&1", &code);
  if (code != 0) return "GStreamer's asfdemux (gstreamer1.0-plugins-ugly) not found";
  media_tools::Run("gst-inspect-1.0 avdec_mpeg4 >/dev/null 2>&1", &code);
  if (code != 0) return "GStreamer's avdec_mpeg4 (gstreamer1.0-libav) not found";
  return {};
}

std::string Read(const std::string& path, int* exitCode, double seekSeconds) {
  std::string command = std::string(kPython) + " '" + Script() + "' '" + path + "'";
  if (seekSeconds >= 0) command += " " + std::to_string(seekSeconds);
  return media_tools::Run(command + " 2>&1", exitCode);
}

}  // namespace mavrion::encoder::builtin::gstreamer_reader
