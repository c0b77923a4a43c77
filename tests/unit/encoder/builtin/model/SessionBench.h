#pragma once
// A built-in encoder session assembled exactly as the program assembles
// one, by BuildEncoderSession, over the fake platform.
#include <gtest/gtest.h>

#include "core/encoder/EncoderSession.h"
#include "tests/unit/encoder/FakeDialog.h"
#include "tests/unit/encoder/builtin/model/FakeRecorderPorts.h"

namespace mavrion::encoder::builtin::fakes {

inline constexpr const char* kOutput = "C:\\Videos\\demo.wmv";
inline constexpr const char* kPrepareFailure =
    "Unable to Prepare for Encoding. \r\nPlease check if your audio input device like microphone is attached "
    "and working correctly.";

class SessionBench : public ::testing::Test {
 public:
  SessionBench() {
    settings.AudioDevicePath = kDefaultAudioInput;
    settings.FrameRate = 10;
    settings.ImageQuality = 80;
    settings.ContentType = kContentVideoOnly;
    settings.Author = "Ann";
    settings.Title = "Caf\xE9 tour";
    settings.Copyright = "\xA9 Mavrion";
    settings.Description = "What the recording shows";
    request.CaptureType = SpecificArea;
    request.CaptureRect = {10, 330, 20, 260};  // Left, Right, Top, Bottom: 320 x 240
    request.OutputFileName = kOutput;
    platform.audio.names = {"In: default"};
  }
  ~SessionBench() override { ReleaseEncoderSession(session); }

  HResult Build() { return BuildEncoderSession(session, settings, {request, {}}, {factory, boxes}); }
  Encoder& Enc() { return *session.Encoder.Get(); }

  FakePlatform platform;
  BuiltinComponentFactory factory{platform.Ports()};
  encoder::fakes::FakeMessageBoxes boxes;
  EncoderSettings settings;
  CaptureRequest request;
  EncoderSession session;
};

}  // namespace mavrion::encoder::builtin::fakes
