// mvfakeenc.dll: an in-process automation server standing in for the
// installed encoder component, for end-to-end tests. A test registers it in
// its own Wine prefix for the encoder's and the profile's class ids; its
// objects answer members by name as the component's do (objects from
// SourceGroupCollection, Add, AddSource, AddAudience, DisplayInfo and File,
// a codec index, success for the rest) and write every call into
// mvfakeenc.log beside the library, one line each:
//
//   <object> <invoke kind> <member>(<VT> <value>, ...)   arguments in the member's order
//   <object> query <interface>                           a view asked for by QueryInterface
//   <object> freed                                       its last reference given back
//   Encoder stopped by itself                            the recording ended without Stop
//
// Setting the display information's author fails, as a refused call of the
// component does (DISP_E_EXCEPTION carrying E_FAIL), so one of the
// program's messages can be seen. The encoder keeps its run state (RunState:
// running after Start, paused after Pause, stopped before Start and after
// Stop) and, stopped, refuses Pause and Stop. With the DWORD StopAfterMs
// under HKCU\Software\mvfakeenc, a recording stops by itself that many
// milliseconds after its first Start, as one whose disk fills does (its log
// line comes with the first call after that). A property put without the
// named argument DISPID_PROPERTYPUT, or a method given named arguments, is
// refused with DISP_E_PARAMNOTFOUND, as the automation runtime does.
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr GUID kEncoderClass = {0x632B606A, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
constexpr GUID kProfileClass = {0xA5AC04E7, 0x3E13, 0x48CE, {0xA4, 0x3F, 0x9F, 0xBA, 0x59, 0xDB, 0x15, 0x44}};

struct NamedInterface {
  GUID iid;
  const char* name;
};
const NamedInterface kViews[] = {
    {{0x632B6081, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}}, "IWMEncoder2"},
    {{0xC70E1CAC, 0x32D2, 0x4E22, {0xA0, 0xFF, 0x3A, 0x32, 0xE3, 0x15, 0xD0, 0x95}}, "IWMEncProfile2"},
    {{0x632B6078, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}}, "IWMEncProfile"},
    {{0xC0973772, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}}, "IWMEncAudioSource"},
    {{0xC0973771, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}}, "IWMEncVideoSource2"},
};
// Asked of an argument to learn whether it is one of this library's objects.
constexpr GUID kFakeObject = {0x4D564645, 0x4E43, 0x4F42, {0x4A, 0x45, 0x43, 0x54, 0x00, 0x00, 0x00, 0x01}};

// The codec index GetCodecIndexFromFourCC answers.
constexpr long kCodecIndex = 2;

// The encoder's run states, as RunState answers them.
constexpr long kRunning = 2;
constexpr long kPaused = 3;
constexpr long kStopped = 5;
// NS_E_INVALIDCALL_WHILE_ENCODER_STOPPED
constexpr HRESULT kRefusedWhileStopped = static_cast<HRESULT>(0xC00D1B7Fu);

HMODULE g_module = nullptr;

void Log(const std::string& line) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(g_module, path, MAX_PATH);
  std::string file(path);
  file = file.substr(0, file.find_last_of('.')) + ".log";
  // Opened per line, so the log is whole whenever the program is ended.
  if (FILE* out = std::fopen(file.c_str(), "ab")) {
    std::fputs((line + "\n").c_str(), out);
    std::fclose(out);
  }
}

std::string Narrow(const wchar_t* text) {
  if (!text) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], size, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

// Milliseconds after Start at which a recording stops by itself, if the
// test asked for it.
bool StopAfterMs(DWORD* ms) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\mvfakeenc", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD size = sizeof *ms;
  const bool found = RegQueryValueExA(key, "StopAfterMs", nullptr, &type, reinterpret_cast<BYTE*>(ms), &size) ==
                         ERROR_SUCCESS &&
                     type == REG_DWORD;
  RegCloseKey(key);
  return found;
}

// A refused call, as the component reports it through Invoke.
HRESULT Refuse(EXCEPINFO* exception, HRESULT code, const wchar_t* text) {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->scode = code;
    exception->bstrDescription = SysAllocString(text);
  }
  return DISP_E_EXCEPTION;
}

const char* InvokeKind(WORD flags) {
  switch (flags) {
    case DISPATCH_METHOD: return "method";
    case DISPATCH_PROPERTYGET: return "get";
    case DISPATCH_PROPERTYPUT: return "put";
    case DISPATCH_PROPERTYPUTREF: return "putref";
    case DISPATCH_METHOD | DISPATCH_PROPERTYGET: return "method|get";
    default: return "flags";
  }
}

class Object;
std::string Describe(const VARIANT& v);

// One object of the component: a dual interface reached by name only.
class Object final : public IDispatch, public IPropertyBag {
 public:
  Object(std::string kind, std::vector<std::string> views) : kind_(std::move(kind)), views_(std::move(views)) {}

  const std::string& Kind() const { return kind_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == kFakeObject) {
      *out = this;  // not counted: only looked at during the call
      return S_OK;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
    } else if (iid == IID_IPropertyBag && kind_ == "VideoSource") {
      Log(kind_ + " query IPropertyBag");
      *out = static_cast<IPropertyBag*>(this);
    } else {
      for (const NamedInterface& view : kViews) {
        if (iid != view.iid) continue;
        for (const std::string& name : views_) {
          if (name == view.name) *out = static_cast<IDispatch*>(this);
        }
        Log(kind_ + " query " + view.name + (*out ? "" : " refused"));
      }
    }
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      Log(kind_ + " freed");
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) {
      const std::string name = Narrow(names[i]);
      auto found = members_.find(name);
      if (found == members_.end()) found = members_.emplace(name, static_cast<DISPID>(members_.size() + 1)).first;
      ids[i] = found->second;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    std::string name = "?";
    for (const auto& entry : members_) {
      if (entry.second == member) name = entry.first;
    }
    // Arguments arrive last first; the log shows them in the member's order.
    std::string args;
    const UINT count = params ? params->cArgs : 0;
    for (UINT i = count; i-- > 0;) {
      if (!args.empty()) args += ", ";
      args += Describe(params->rgvarg[i]);
    }
    const UINT named = params ? params->cNamedArgs : 0;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const bool namedAsAPut = named == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    std::string line = kind_ + " " + InvokeKind(flags) + " " + name + "(" + args + ")";
    if (put ? !namedAsAPut : named != 0) {
      Log(line + " refused: named arguments " + std::to_string(named));
      return DISP_E_PARAMNOTFOUND;
    }
    if (kind_ == "Encoder") StopByItselfIfDue();
    Log(line);
    if (put && kind_ == "DisplayInfo" && name == "Author") {
      return Refuse(exception, E_FAIL, L"The author cannot be set.");
    }
    if (kind_ == "Encoder" && state_ == kStopped && (name == "Pause" || name == "Stop")) {
      return Refuse(exception, kRefusedWhileStopped, L"The encoder is stopped.");
    }
    return Answer(name, params, result);
  }

  // IPropertyBag, of a video source.
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT*, IErrorLog*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    Log("PropertyBag write " + Narrow(name) + "(" + (value ? Describe(*value) : std::string("null")) + ")");
    return S_OK;
  }

 private:
  ~Object() {
    for (IDispatch* child : children_) child->Release();
  }

  // A child object the parent keeps, handed out with one more reference.
  // single: one of its kind per parent (the encoder's collection, display
  // information and file), else a new one for every call.
  HRESULT HandOut(const std::string& kind, std::vector<std::string> views, bool single, VARIANT* result) {
    Object* child = single ? singles_[kind] : nullptr;
    if (!child) {
      child = new Object(kind, std::move(views));
      children_.push_back(child);
      if (single) singles_[kind] = child;
    }
    if (!result) return S_OK;
    child->AddRef();
    VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = child;
    return S_OK;
  }

  void StopByItselfIfDue() {
    if (state_ != kRunning || !stopDue_ || static_cast<LONG>(GetTickCount() - stopAt_) < 0) return;
    state_ = kStopped;
    stopDue_ = false;
    Log("Encoder stopped by itself");
  }

  HRESULT AnswerEncoderState(const std::string& name, VARIANT* result) {
    if (name == "Start") {
      DWORD ms = 0;
      if (!started_ && StopAfterMs(&ms)) {
        stopDue_ = true;
        stopAt_ = GetTickCount() + ms;
      }
      started_ = true;
      state_ = kRunning;
    } else if (name == "Pause") {
      state_ = kPaused;
    } else if (name == "Stop") {
      state_ = kStopped;
    } else if (name == "RunState" && result) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = state_;
    }
    return S_OK;
  }

  HRESULT Answer(const std::string& name, DISPPARAMS* params, VARIANT* result) {
    if (kind_ == "Encoder" && (name == "Start" || name == "Pause" || name == "Stop" || name == "RunState")) {
      return AnswerEncoderState(name, result);
    }
    if (kind_ == "Encoder" && name == "SourceGroupCollection") return HandOut("SourceGroupCollection", {}, true, result);
    if (kind_ == "Encoder" && name == "DisplayInfo") return HandOut("DisplayInfo", {}, true, result);
    if (kind_ == "Encoder" && name == "File") return HandOut("File", {}, true, result);
    if (kind_ == "SourceGroupCollection" && name == "Add") return HandOut("SourceGroup", {}, false, result);
    if (kind_ == "SourceGroup" && name == "AddSource") {
      const bool audio = params->cArgs == 1 && params->rgvarg[0].vt == VT_I4 && params->rgvarg[0].lVal == 1;
      return audio ? HandOut("AudioSource", {"IWMEncAudioSource"}, false, result)
                   : HandOut("VideoSource", {"IWMEncVideoSource2"}, false, result);
    }
    if (kind_ == "SourceGroup" && name == "Profile" && params->cArgs == 1 && params->rgvarg[0].vt == VT_DISPATCH &&
        params->rgvarg[0].pdispVal) {
      // The group keeps the profile bound to it.
      params->rgvarg[0].pdispVal->AddRef();
      children_.push_back(params->rgvarg[0].pdispVal);
      return S_OK;
    }
    if (kind_ == "Profile" && name == "AddAudience") return HandOut("Audience", {}, false, result);
    if (kind_ == "Profile" && name == "GetCodecIndexFromFourCC" && result) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = kCodecIndex;
    }
    return S_OK;
  }

  std::string kind_;
  std::vector<std::string> views_;
  std::map<std::string, DISPID> members_;
  std::vector<IDispatch*> children_;
  std::map<std::string, Object*> singles_;
  LONG refs_ = 1;
  // The encoder's run state, and when it stops by itself.
  long state_ = kStopped;
  bool started_ = false;
  bool stopDue_ = false;
  DWORD stopAt_ = 0;
};

std::string Describe(const VARIANT& v) {
  char text[64] = {};
  switch (v.vt) {
    case VT_I2: std::snprintf(text, sizeof text, "I2 %d", static_cast<int>(v.iVal)); return text;
    case VT_I4: std::snprintf(text, sizeof text, "I4 %ld", static_cast<long>(v.lVal)); return text;
    case VT_BOOL: std::snprintf(text, sizeof text, "BOOL %d", static_cast<int>(v.boolVal)); return text;
    case VT_BSTR: return "BSTR \"" + Narrow(v.bstrVal) + "\"";
    case VT_DISPATCH: {
      void* raw = nullptr;
      if (v.pdispVal && SUCCEEDED(v.pdispVal->QueryInterface(kFakeObject, &raw))) {
        return "DISPATCH " + static_cast<Object*>(raw)->Kind();
      }
      return v.pdispVal ? "DISPATCH foreign" : "DISPATCH null";
    }
    default: std::snprintf(text, sizeof text, "VT%u", static_cast<unsigned>(v.vt)); return text;
  }
}

class Factory : public IClassFactory {
 public:
  explicit Factory(bool encoder) : encoder_(encoder) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = (iid == IID_IUnknown || iid == IID_IClassFactory) ? static_cast<IClassFactory*>(this) : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static objects
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Object* object = encoder_ ? new Object("Encoder", {"IWMEncoder2"})
                              : new Object("Profile", {"IWMEncProfile2", "IWMEncProfile"});
    Log(object->Kind() + " created");
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  bool encoder_;
};

Factory g_encoders(true);
Factory g_profiles(false);

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
  if (classId == kEncoderClass) return g_encoders.QueryInterface(iid, out);
  if (classId == kProfileClass) return g_profiles.QueryInterface(iid, out);
  if (out) *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Stays loaded: the log names objects the program may still hold.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}
