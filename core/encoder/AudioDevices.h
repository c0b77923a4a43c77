#pragma once
// The "Audio Input Device :" list: a fixed default entry, then the audio
// capture devices the system's device enumerator reports. The enumerator is
// a port shaped like DirectShow's, so the list rules stay here.
#include <cstdint>
#include <optional>
#include <string>

#include "core/encoder/Ref.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Types.h"
#include "resources/resource.h"

namespace mavrion::encoder {

inline constexpr int kAudioDeviceListId = IDC_AUDIO_DEVICE_LIST;
inline constexpr const char* kDefaultAudioDeviceEntry = "Default Audio Input Device";
inline constexpr const char* kNoAudioDeviceWarning =
    "It seems that audio input device is not attached. Before starting audio + screen "
    "capturing, you must attached the microphone or any audio input device.";

enum class DeviceCategory { AudioInput };  // CLSID_AudioInputDeviceCategory

class DeviceProperties : public Unknown {  // a device's IPropertyBag
 public:
  // Reads a text property. A failed read answers its HRESULT. A successful
  // read leaves *text empty when the value holds no text or cannot be put
  // in the thread's ANSI code page, else the converted text.
  virtual HResult ReadText(const std::string& name, std::optional<std::string>* text) = 0;
};

class DeviceMoniker : public Unknown {  // IMoniker of one device
 public:
  virtual HResult BindToStorage(Ref<DeviceProperties>* properties) = 0;
};

class DeviceMonikerEnumerator : public Unknown {  // IEnumMoniker
 public:
  // Next with a count of 1: S_OK hands back one moniker, S_FALSE none left.
  virtual HResult Next(Ref<DeviceMoniker>* moniker) = 0;
};

class SystemDeviceEnumerator : public Unknown {  // ICreateDevEnum
 public:
  // S_FALSE: the category holds no device, and no enumerator is handed back.
  virtual HResult CreateClassEnumerator(DeviceCategory category,
                                        Ref<DeviceMonikerEnumerator>* enumerator,
                                        std::uint32_t flags) = 0;
};

// The COM apartment calls and the creation of the system device enumerator.
class DeviceServices {
 public:
  virtual ~DeviceServices() = default;
  virtual HResult InitializeApartment() = 0;  // CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)
  virtual void UninitializeApartment() = 0;   // CoUninitialize
  virtual HResult CreateSystemDeviceEnumerator(Ref<SystemDeviceEnumerator>* enumerator) = 0;
};

// A moniker enumerator over the category; an empty category answers
// VFW_E_NOT_FOUND.
HResult CreateAudioDeviceEnumerator(DeviceServices& services, DeviceCategory category,
                                    Ref<DeviceMonikerEnumerator>* enumerator);

// Appends one entry to list IDC_AUDIO_DEVICE_LIST per device whose name can be read: its
// "FriendlyName", else its "Description".
void FillAudioDeviceList(DeviceMonikerEnumerator& enumerator, DialogView& view);

// Puts the default entry first and selects it, then appends the devices,
// inside an apartment pair of its own. Run once at start-up.
void LoadAudioDeviceList(DialogView& view, DeviceServices& services);

// Warns, in a box owned by the dialog, when the list holds only its default
// entry. Answers whether it warned.
bool WarnIfNoAudioDevice(const DialogView& view, MessageBoxes& boxes);

}  // namespace mavrion::encoder
