#include "win32/encoder/builtin/BuiltinFactory.h"

#include "core/encoder/builtin/model/BuiltinComponentFactory.h"
#include "win32/encoder/builtin/FlashOutline.h"
#include "win32/encoder/builtin/GdiScreenSource.h"
#include "win32/encoder/builtin/WaveInAudio.h"
#include "win32/encoder/builtin/Win32OutputFiles.h"
#include "win32/encoder/builtin/Win32RecorderClock.h"
#include "win32/framework/PlatformPorts.h"

namespace mavrion::win32 {
namespace {

struct Win32RecorderPlatform {
  GdiScreenSource screen;
  WaveInAudioInput audio;
  Win32OutputFiles files;
  Win32AreaOutline outline;
  AnsiTextConverter texts;
  Win32RecorderClock clock;
  framework::Win32ThreadStarter threads;
};

}  // namespace

std::unique_ptr<encoder::ComponentFactory> MakeBuiltinComponentFactory() {
  auto platform = std::make_shared<Win32RecorderPlatform>();
  const encoder::builtin::BuiltinPorts ports{platform->screen, platform->audio,  platform->files,  platform->outline,
                                             platform->texts,  platform->clock, platform->threads};
  return std::make_unique<encoder::builtin::BuiltinComponentFactory>(ports, platform);
}

}  // namespace mavrion::win32
