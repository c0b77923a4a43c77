#pragma once
// Reading the built-in encoder's files with GStreamer, whose ASF demuxer is
// written apart from FFmpeg's: what one reader forgives, the other may not.
#include <string>

namespace mavrion::encoder::builtin::gstreamer_reader {

// Empty when GStreamer, its ASF demuxer, an MPEG-4 video decoder and its
// Python binding all answer, else what is missing.
std::string MissingGstreamer();

// What GStreamer found in the file, as JSON (see gst_read.py): the pads'
// caps, errors and warnings, buffers and frames, the duration; with a
// seekSeconds of 0 or more, all counted from a key-frame seek there.
std::string Read(const std::string& path, int* exitCode, double seekSeconds = -1);

}  // namespace mavrion::encoder::builtin::gstreamer_reader
