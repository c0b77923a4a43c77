#pragma once
// The audio capture devices as DirectShow's system device enumerator
// reports them.
#include "core/encoder/AudioDevices.h"

namespace mavrion::win32 {

class DirectShowDeviceServices : public encoder::DeviceServices {
 public:
  HResult InitializeApartment() override;
  void UninitializeApartment() override;
  HResult CreateSystemDeviceEnumerator(encoder::Ref<encoder::SystemDeviceEnumerator>* enumerator) override;
};

}  // namespace mavrion::win32
