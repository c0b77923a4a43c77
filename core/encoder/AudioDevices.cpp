#include "core/encoder/AudioDevices.h"

namespace mavrion::encoder {

HResult CreateAudioDeviceEnumerator(DeviceServices& services, DeviceCategory category,
                                    Ref<DeviceMonikerEnumerator>* enumerator) {
  Ref<SystemDeviceEnumerator> system;
  HResult hr = services.CreateSystemDeviceEnumerator(&system);
  if (Failed(hr)) return hr;
  if (!system) return kE_POINTER;
  hr = system->CreateClassEnumerator(category, enumerator, 0);
  if (hr == kS_FALSE) return kVFW_E_NOT_FOUND;
  if (Succeeded(hr) && !*enumerator) return kE_POINTER;
  return hr;
}

void FillAudioDeviceList(DeviceMonikerEnumerator& enumerator, DialogView& view) {
  for (;;) {
    Ref<DeviceMoniker> moniker;
    if (enumerator.Next(&moniker) != kS_OK || !moniker) return;

    Ref<DeviceProperties> properties;
    if (Failed(moniker->BindToStorage(&properties)) || !properties) continue;

    std::optional<std::string> name;
    if (Failed(properties->ReadText("FriendlyName", &name)) &&
        Failed(properties->ReadText("Description", &name))) {
      continue;
    }
    // A name that cannot be read leaves the device out.
    if (name) view.ComboInsert(kAudioDeviceListId, view.ComboCount(kAudioDeviceListId), *name);
  }
}

void LoadAudioDeviceList(DialogView& view, DeviceServices& services) {
  view.ComboInsert(kAudioDeviceListId, view.ComboCount(kAudioDeviceListId), kDefaultAudioDeviceEntry);
  view.ComboSetSelection(kAudioDeviceListId, view.ComboCount(kAudioDeviceListId) - 1);

  if (Failed(services.InitializeApartment())) return;
  {
    Ref<DeviceMonikerEnumerator> enumerator;
    if (Succeeded(CreateAudioDeviceEnumerator(services, DeviceCategory::AudioInput, &enumerator))) {
      FillAudioDeviceList(*enumerator.Get(), view);
    }
  }  // the enumerator goes before the apartment count does
  services.UninitializeApartment();
}

bool WarnIfNoAudioDevice(const DialogView& view, MessageBoxes& boxes) {
  if (view.ComboCount(kAudioDeviceListId) != 1) return false;
  boxes.Show(view.Handle(), kNoAudioDeviceWarning, "Mavrion", mb::kOk | mb::kIconWarning);
  return true;
}

}  // namespace mavrion::encoder
