#pragma once
// The installed encoder component driven through COM Automation: objects
// made with CoCreateInstance, members called by name through IDispatch.
// Works with the installed Windows Media Encoder without its SDK headers.
#include "core/encoder/EncoderComponent.h"

namespace mavrion::win32 {

class AutomationComponentFactory : public encoder::ComponentFactory {
 public:
  HResult CreateEncoder(encoder::Ref<encoder::Encoder>* encoder) override;
  HResult CreateProfile(encoder::Ref<encoder::Profile>* profile) override;
};

}  // namespace mavrion::win32
