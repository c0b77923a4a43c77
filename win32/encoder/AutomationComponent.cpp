#include "win32/encoder/AutomationComponent.h"

#include <map>
#include <new>
#include <utility>

#include "core/encoder/RunStateWatch.h"
#include "win32/encoder/ComSupport.h"
#include "win32/encoder/PortObject.h"
#include "win32/encoder/Dispatch.h"

namespace mavrion::win32 {
namespace {

using namespace encoder;

// Class and interface ids of the encoder component.
constexpr GUID kEncoderClass = {0x632B606A, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
constexpr GUID kIWMEncoder2 = {0x632B6081, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
constexpr GUID kProfileClass = {0xA5AC04E7, 0x3E13, 0x48CE, {0xA4, 0x3F, 0x9F, 0xBA, 0x59, 0xDB, 0x15, 0x44}};
constexpr GUID kIWMEncProfile2 = {0xC70E1CAC, 0x32D2, 0x4E22, {0xA0, 0xFF, 0x3A, 0x32, 0xE3, 0x15, 0xD0, 0x95}};
constexpr GUID kIWMEncProfile = {0x632B6078, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
constexpr GUID kIWMEncAudioSource = {0xC0973772, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};
constexpr GUID kIWMEncVideoSource2 = {0xC0973771, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};

// The component's interfaces are dual, so each is also its own IDispatch.
template <class Port>
using Wrapper = PortObject<Port, IDispatch>;

// The object a call answered with, taken out of its result VARIANT.
ComPtr<IDispatch> TakeObject(Variant& result) {
  ComPtr<IDispatch> object;
  VARIANT& v = *result.Get();
  if (v.vt == VT_DISPATCH && v.pdispVal) {
    *object.Put() = v.pdispVal;
    v.vt = VT_EMPTY;  // the reference now belongs to object
  } else if (v.vt == VT_UNKNOWN && v.punkVal) {
    v.punkVal->QueryInterface(IID_IDispatch, PutVoid(object));
  }
  return object;
}

template <class Adapter, class Port>
HResult GetObjectProperty(IDispatch* from, const wchar_t* name, Ref<Port>* out) {
  Variant result;
  HRESULT hr = GetProperty(from, name, result.Get());
  return HandBack<Adapter>(hr, TakeObject(result), out);
}

template <class Adapter, class Port>
HResult CallForObject(IDispatch* on, const wchar_t* name, std::initializer_list<VARIANT> args, Ref<Port>* out) {
  Variant result;
  HRESULT hr = CallMethod(on, name, args, result.Get());
  return HandBack<Adapter>(hr, TakeObject(result), out);
}

template <class Adapter, class Port>
HResult View(IDispatch* of, const GUID& iid, Ref<Port>* out) {
  ComPtr<IDispatch> view;
  HRESULT hr = of ? of->QueryInterface(iid, PutVoid(view)) : E_POINTER;
  return HandBack<Adapter>(hr, std::move(view), out);
}

HResult PutText(IDispatch* on, const wchar_t* name, const std::string& text) {
  Bstr value(text);
  return PutProperty(on, name, {ArgBstr(value.Get())});
}

HResult SetInput(IDispatch* source, const std::string& input, const std::string& scheme,
                 const std::string& parameters) {
  Bstr a(input), b(scheme), c(parameters);
  return CallMethod(source, L"SetInput", {ArgBstr(a.Get()), ArgBstr(b.Get()), ArgBstr(c.Get())});
}

class AutomationPropertyBag : public PortObject<PropertyBag, IPropertyBag> {
 public:
  using PortObject::PortObject;
  HResult Write(const std::string& name, const PropertyValue& value) override {
    Bstr property(name);
    VARIANT v = value.kind == PropertyValue::Kind::Bool
                    ? ArgBool(value.value != 0)
                    : ArgI4(static_cast<long>(value.value));
    return Object()->Write(property.Get(), &v);
  }
};

class AutomationAudioSource : public Wrapper<AudioSource> {
 public:
  using PortObject::PortObject;
  HResult SetInput(const std::string& input, const std::string& scheme, const std::string& parameters) override {
    return win32::SetInput(Object(), input, scheme, parameters);
  }
};

class AutomationVideoSource : public Wrapper<VideoSource> {
 public:
  using PortObject::PortObject;
  HResult SetInput(const std::string& input, const std::string& scheme, const std::string& parameters) override {
    return win32::SetInput(Object(), input, scheme, parameters);
  }
  HResult QueryPropertyBag(Ref<PropertyBag>* bag) override {
    ComPtr<IPropertyBag> properties;
    HRESULT hr = Object()->QueryInterface(IID_IPropertyBag, PutVoid(properties));
    return HandBack<AutomationPropertyBag>(hr, std::move(properties), bag);
  }
};

class AutomationSource : public Wrapper<Source> {
 public:
  using PortObject::PortObject;
  HResult QueryAudioSource(Ref<AudioSource>* view) override {
    return View<AutomationAudioSource>(Object(), kIWMEncAudioSource, view);
  }
  HResult QueryVideoSource(Ref<VideoSource>* view) override {
    return View<AutomationVideoSource>(Object(), kIWMEncVideoSource2, view);
  }
};

class AutomationProfileView : public Wrapper<ProfileView> {
 public:
  using PortObject::PortObject;
};

class AutomationSourceGroup : public Wrapper<SourceGroup> {
 public:
  using PortObject::PortObject;
  HResult AddSource(SourceType type, Ref<Source>* source) override {
    return CallForObject<AutomationSource>(Object(), L"AddSource", {ArgI4(static_cast<long>(type))}, source);
  }
  HResult PutProfile(ProfileView* profile) override {
    // Only a profile of this same component can be bound to its group.
    auto* view = dynamic_cast<AutomationProfileView*>(profile);
    if (!view) return E_INVALIDARG;
    Variant value;
    value.Get()->vt = VT_DISPATCH;
    value.Get()->pdispVal = view->Object();
    view->Object()->AddRef();
    return PutProperty(Object(), L"Profile", {*value});
  }
};

class AutomationSourceGroupCollection : public Wrapper<SourceGroupCollection> {
 public:
  using PortObject::PortObject;
  HResult Add(const std::string& name, Ref<SourceGroup>* group) override {
    Bstr text(name);
    return CallForObject<AutomationSourceGroup>(Object(), L"Add", {ArgBstr(text.Get())}, group);
  }
};

class AutomationAudience : public Wrapper<Audience> {
 public:
  using PortObject::PortObject;
  HResult PutVideoCodec(std::int32_t s, std::int32_t v) override { return Put(L"VideoCodec", s, v); }
  HResult PutVideoHeight(std::int32_t s, std::int32_t v) override { return Put(L"VideoHeight", s, v); }
  HResult PutVideoWidth(std::int32_t s, std::int32_t v) override { return Put(L"VideoWidth", s, v); }
  HResult PutVideoBufferSize(std::int32_t s, std::int32_t v) override { return Put(L"VideoBufferSize", s, v); }
  HResult PutVideoFPS(std::int32_t s, std::int32_t v) override { return Put(L"VideoFPS", s, v); }
  HResult PutVideoImageSharpness(std::int32_t s, std::int32_t v) override {
    return Put(L"VideoImageSharpness", s, v);
  }

 private:
  // Every audience property is indexed by its stream, a short.
  HResult Put(const wchar_t* name, std::int32_t stream, std::int32_t value) {
    return PutProperty(Object(), name, {ArgI2(static_cast<short>(stream)), ArgI4(static_cast<long>(value))});
  }
};

class AutomationProfile : public Wrapper<Profile> {
 public:
  using PortObject::PortObject;
  HResult PutValidateMode(bool on) override { return PutProperty(Object(), L"ValidateMode", {ArgBool(on)}); }
  HResult PutProfileName(const std::string& name) override { return PutText(Object(), L"ProfileName", name); }
  HResult PutProfileDescription(const std::string& text) override {
    return PutText(Object(), L"ProfileDescription", text);
  }
  HResult PutContentType(std::int32_t type) override {
    return PutProperty(Object(), L"ContentType", {ArgI4(static_cast<long>(type))});
  }
  HResult PutVBRMode(SourceType type, std::int32_t stream, std::int32_t mode) override {
    return PutProperty(Object(), L"VBRMode", {ArgI4(static_cast<long>(type)), ArgI2(static_cast<short>(stream)),
                                              ArgI4(static_cast<long>(mode))});
  }
  HResult AddAudience(std::int32_t bitsPerSecond, Ref<Audience>* audience) override {
    return CallForObject<AutomationAudience>(Object(), L"AddAudience", {ArgI4(static_cast<long>(bitsPerSecond))},
                                             audience);
  }
  HResult GetCodecIndexFromFourCC(SourceType type, std::uint32_t fourCC, std::int32_t* codecIndex) override {
    Variant result;
    HRESULT hr = CallMethod(Object(), L"GetCodecIndexFromFourCC",
                            {ArgI4(static_cast<long>(type)), ArgI4(static_cast<long>(fourCC))}, result.Get());
    if (FAILED(hr)) return hr;
    Variant index;
    hr = VariantChangeType(index.Get(), result.Get(), 0, VT_I4);
    if (SUCCEEDED(hr)) *codecIndex = static_cast<std::int32_t>((*index).lVal);
    return hr;
  }
  HResult Validate() override { return CallMethod(Object(), L"Validate", {}); }
  HResult QueryProfileView(Ref<ProfileView>* view) override {
    return View<AutomationProfileView>(Object(), kIWMEncProfile, view);
  }
};

class AutomationDisplayInfo : public Wrapper<DisplayInfo> {
 public:
  using PortObject::PortObject;
  HResult PutAuthor(const std::string& text) override { return PutText(Object(), L"Author", text); }
  HResult PutCopyright(const std::string& text) override { return PutText(Object(), L"Copyright", text); }
  HResult PutDescription(const std::string& text) override { return PutText(Object(), L"Description", text); }
  HResult PutTitle(const std::string& text) override { return PutText(Object(), L"Title", text); }
};

class AutomationOutputFile : public Wrapper<OutputFile> {
 public:
  using PortObject::PortObject;
  HResult PutLocalFileName(const std::string& path) override { return PutText(Object(), L"LocalFileName", path); }
};

// How often a running recording's run state is asked: soon enough that a
// full disk shows at once, rare enough to cost nothing.
constexpr UINT kRunStatePollMs = 250;

class AutomationEncoder;

// Encoders whose run state is being asked, by their thread timer. Timers and
// encoders live on the dialog's thread only.
std::map<UINT_PTR, AutomationEncoder*>& PolledEncoders() {
  static std::map<UINT_PTR, AutomationEncoder*> encoders;
  return encoders;
}

void CALLBACK PollRunState(HWND, UINT, UINT_PTR timer, DWORD);

class AutomationEncoder : public Wrapper<Encoder> {
 public:
  using PortObject::PortObject;
  HResult GetSourceGroupCollection(Ref<SourceGroupCollection>* collection) override {
    return GetObjectProperty<AutomationSourceGroupCollection>(Object(), L"SourceGroupCollection", collection);
  }
  HResult GetDisplayInfo(Ref<DisplayInfo>* info) override {
    return GetObjectProperty<AutomationDisplayInfo>(Object(), L"DisplayInfo", info);
  }
  HResult GetFile(Ref<OutputFile>* file) override {
    return GetObjectProperty<AutomationOutputFile>(Object(), L"File", file);
  }
  HResult PrepareToEncode(bool prepare) override {
    return CallMethod(Object(), L"PrepareToEncode", {ArgBool(prepare)});
  }
  HResult Start() override {
    const HRESULT hr = CallMethod(Object(), L"Start", {});
    if (SUCCEEDED(hr)) {
      watch_.Started();
      BeginPolling();
    }
    return hr;
  }
  HResult Pause() override { return CallMethod(Object(), L"Pause", {}); }
  HResult Stop() override {
    watch_.StopAsked();
    EndPolling();
    return watch_.StopResult(CallMethod(Object(), L"Stop", {}));
  }
  // The component is asked for its run state on a timer of the dialog's
  // thread, the thread its calls belong to; the notice only posts.
  HResult AdviseStoppedByItself(std::function<void()> notice) override {
    watch_.Advise(std::move(notice));
    BeginPolling();
    return S_OK;
  }

  void ReadRunState() {
    Variant state;
    Variant number;
    if (SUCCEEDED(GetProperty(Object(), L"RunState", state.Get())) &&
        SUCCEEDED(VariantChangeType(number.Get(), state.Get(), 0, VT_I4))) {
      watch_.Seen(static_cast<std::int32_t>((*number).lVal));
    }
    if (!watch_.Watching()) EndPolling();
  }

 protected:
  ~AutomationEncoder() override { EndPolling(); }

 private:
  void BeginPolling() {
    if (timer_ != 0 || !watch_.Watching()) return;
    const UINT_PTR timer = SetTimer(nullptr, 0, kRunStatePollMs, PollRunState);
    if (timer == 0) return;
    try {
      PolledEncoders()[timer] = this;
      timer_ = timer;
    } catch (const std::bad_alloc&) {
      KillTimer(nullptr, timer);
    }
  }
  void EndPolling() {
    if (timer_ == 0) return;
    KillTimer(nullptr, timer_);
    PolledEncoders().erase(timer_);
    timer_ = 0;
  }

  RunStateWatch watch_;
  UINT_PTR timer_ = 0;
};

void CALLBACK PollRunState(HWND, UINT, UINT_PTR timer, DWORD) {
  const auto found = PolledEncoders().find(timer);
  if (found == PolledEncoders().end()) return;
  // Held for the call: a component out of process lets the dialog's thread
  // run other messages while it answers, one of which may end the session.
  const auto encoder = Ref<AutomationEncoder>::Share(found->second);
  try {
    encoder->ReadRunState();
  } catch (...) {
    // Nothing may leave a timer procedure; the next tick asks again.
  }
}

template <class Adapter, class Port>
HResult Create(const GUID& classId, const GUID& interfaceId, Ref<Port>* out) {
  ComPtr<IDispatch> object;
  HRESULT hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, PutVoid(object));
  return HandBack<Adapter>(hr, std::move(object), out);
}

}  // namespace

HResult AutomationComponentFactory::CreateEncoder(Ref<Encoder>* encoder) {
  return Create<AutomationEncoder>(kEncoderClass, kIWMEncoder2, encoder);
}

HResult AutomationComponentFactory::CreateProfile(Ref<Profile>* profile) {
  return Create<AutomationProfile>(kProfileClass, kIWMEncProfile2, profile);
}

}  // namespace mavrion::win32
