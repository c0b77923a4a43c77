#pragma once
// The encoder component driven through COM Automation: objects made with
// CoCreateInstance, members called by name through IDispatch. Works with
// the installed Windows Media Encoder without its SDK headers.
#include "core/encoder/EncoderComponent.h"

namespace mavrion::win32 {

class AutomationComponentFactory : public encoder::ComponentFactory {
 public:
  // fallback, when given, makes the objects whose class is not registered
  // on this system (the program's own encoder behind the same port).
  explicit AutomationComponentFactory(encoder::ComponentFactory* fallback = nullptr)
      : fallback_(fallback) {}

  HResult CreateEncoder(encoder::Ref<encoder::Encoder>* encoder) override;
  HResult CreateProfile(encoder::Ref<encoder::Profile>* profile) override;

 private:
  encoder::ComponentFactory* fallback_;
};

}  // namespace mavrion::win32
