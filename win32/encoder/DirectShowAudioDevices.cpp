#include "win32/encoder/DirectShowAudioDevices.h"

#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <strmif.h>

#include <utility>

#include "win32/encoder/ComSupport.h"
#include "win32/encoder/PortObject.h"

namespace mavrion::win32 {
namespace {

using namespace encoder;

constexpr GUID kSystemDeviceEnum = {0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr GUID kICreateDevEnum = {0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr GUID kAudioInputDeviceCategory = {0x33D9A762, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

class DevicePropertyBag : public PortObject<DeviceProperties, IPropertyBag> {
 public:
  using PortObject::PortObject;
  HResult ReadText(const std::string& name, std::optional<std::string>* text) override {
    Bstr property(name);
    Variant value;
    HRESULT hr = Object()->Read(property.Get(), value.Get(), nullptr);
    if (FAILED(hr)) return hr;
    text->reset();
    if ((*value).vt == VT_BSTR) *text = AnsiFromWide((*value).bstrVal);
    return hr;
  }
};

class Moniker : public PortObject<DeviceMoniker, IMoniker> {
 public:
  using PortObject::PortObject;
  HResult BindToStorage(Ref<DeviceProperties>* properties) override {
    ComPtr<IPropertyBag> bag;
    HRESULT hr = Object()->BindToStorage(nullptr, nullptr, IID_IPropertyBag, PutVoid(bag));
    return HandBack<DevicePropertyBag>(hr, std::move(bag), properties);
  }
};

class MonikerEnumerator : public PortObject<DeviceMonikerEnumerator, IEnumMoniker> {
 public:
  using PortObject::PortObject;
  HResult Next(Ref<DeviceMoniker>* moniker) override {
    ComPtr<IMoniker> next;
    HRESULT hr = Object()->Next(1, next.Put(), nullptr);
    if (hr != S_OK) return hr;
    return HandBack<Moniker>(hr, std::move(next), moniker);
  }
};

class SystemEnumerator : public PortObject<SystemDeviceEnumerator, ICreateDevEnum> {
 public:
  using PortObject::PortObject;
  HResult CreateClassEnumerator(DeviceCategory category, Ref<DeviceMonikerEnumerator>* enumerator,
                                std::uint32_t flags) override {
    if (category != DeviceCategory::AudioInput) return E_INVALIDARG;
    ComPtr<IEnumMoniker> monikers;
    HRESULT hr = Object()->CreateClassEnumerator(kAudioInputDeviceCategory, monikers.Put(), flags);
    return HandBack<MonikerEnumerator>(hr, std::move(monikers), enumerator);
  }
};

}  // namespace

HResult DirectShowDeviceServices::InitializeApartment() {
  return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void DirectShowDeviceServices::UninitializeApartment() { CoUninitialize(); }

HResult DirectShowDeviceServices::CreateSystemDeviceEnumerator(Ref<SystemDeviceEnumerator>* enumerator) {
  ComPtr<ICreateDevEnum> system;
  HRESULT hr = CoCreateInstance(kSystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, kICreateDevEnum, PutVoid(system));
  return HandBack<SystemEnumerator>(hr, std::move(system), enumerator);
}

}  // namespace mavrion::win32
