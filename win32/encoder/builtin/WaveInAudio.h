#pragma once
// Sound input through waveIn: the devices by their names, and a recorder
// that keeps a ring of buffers queued on a thread of its own and hands
// each filled one over.
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::win32 {

class WaveInAudioInput : public encoder::builtin::AudioInput {
 public:
  std::vector<std::string> DeviceNames() override;
  // The default device is the wave mapper; a device by index goes through
  // the mapper too, so that it converts a format the device lacks.
  std::unique_ptr<encoder::builtin::AudioRecorder> Open(int device,
                                                        const encoder::builtin::AsfAudioFormat& format) override;
};

}  // namespace mavrion::win32
