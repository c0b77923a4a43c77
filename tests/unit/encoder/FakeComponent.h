#pragma once
// A scriptable stand-in for the encoder component: every call of every
// object goes, in order, into one log; any call can be told to fail; every
// object counts the references handed out for it, so a test can see what is
// still held.
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/encoder/EncoderComponent.h"

namespace mavrion::encoder::fakes {

// A failure code no real call answers, so a test sees whose result came back.
inline constexpr HResult kRefused = static_cast<HResult>(0x80041234u);

class World;

class FakeBase {
 public:
  FakeBase(World& world, std::string name) : world_(world), name_(std::move(name)) {}
  virtual ~FakeBase() = default;
  const std::string& Name() const { return name_; }
  unsigned long References() const { return refs_; }

 protected:
  unsigned long AddReference() { return ++refs_; }
  unsigned long ReleaseReference();
  HResult Call(const std::string& member, const std::string& args = {});
  World& world_;

 private:
  std::string name_;
  unsigned long refs_ = 0;  // the world's own hold is not a reference
};

template <class Port>
class Fake : public Port, public FakeBase {
 public:
  using FakeBase::FakeBase;
  unsigned long AddRef() override { return AddReference(); }
  unsigned long Release() override { return ReleaseReference(); }
};

class World {
 public:
  std::vector<std::string> log;
  // Results by "Object.Member(args)" first, then by "Object.Member".
  std::map<std::string, HResult> results;
  // Calls that answer success but hand back no object.
  std::set<std::string> handBackNothing;
  int overReleases = 0;
  std::int32_t codecIndex = 7;

  HResult Call(const std::string& object, const std::string& member, const std::string& args) {
    const std::string call = object + "." + member;
    const std::string full = call + "(" + args + ")";
    log.push_back(full);
    if (auto it = results.find(full); it != results.end()) return it->second;
    if (auto it = results.find(call); it != results.end()) return it->second;
    return kS_OK;
  }

  // Hands out one more reference to the object named name, made on first use.
  template <class T, class Port>
  HResult HandOut(HResult hr, const std::string& call, const std::string& name, Ref<Port>* out) {
    if (Failed(hr) || handBackNothing.count(call)) return hr;
    T* object = Find<T>(name);
    if (!object) {
      auto made = std::make_unique<T>(*this, name);
      object = made.get();
      objects_.push_back(std::move(made));
    }
    object->AddRef();
    *out = Ref<Port>(object);
    return hr;
  }

  template <class T>
  T* Find(const std::string& name) const {
    for (const auto& object : objects_) {
      if (object->Name() == name) return dynamic_cast<T*>(object.get());
    }
    return nullptr;
  }

  // Objects with references still out, by name.
  std::map<std::string, unsigned long> Held() const {
    std::map<std::string, unsigned long> held;
    for (const auto& object : objects_) {
      if (object->References() > 0) held[object->Name()] += object->References();
    }
    return held;
  }

  // Log entries of one object, for tests that look at a part of the build.
  std::vector<std::string> CallsOf(const std::string& object) const {
    std::vector<std::string> calls;
    for (const auto& entry : log) {
      if (entry.rfind(object + ".", 0) == 0) calls.push_back(entry);
    }
    return calls;
  }

 private:
  std::vector<std::unique_ptr<FakeBase>> objects_;
};

inline unsigned long FakeBase::ReleaseReference() {
  if (refs_ == 0) {
    ++world_.overReleases;
    return 0;
  }
  return --refs_;
}

inline HResult FakeBase::Call(const std::string& member, const std::string& args) {
  return world_.Call(name_, member, args);
}

inline std::string Quoted(bool b) { return b ? "true" : "false"; }
inline std::string Hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
  return text;
}

class FakePropertyBag : public Fake<PropertyBag> {
 public:
  using Fake::Fake;
  HResult Write(const std::string& name, const PropertyValue& value) override {
    const char* kind = value.kind == PropertyValue::Kind::Bool ? "BOOL " : "I4 ";
    return Call("Write", name + "," + kind + std::to_string(value.value));
  }
};

class FakeAudioSource : public Fake<AudioSource> {
 public:
  using Fake::Fake;
  HResult SetInput(const std::string& input, const std::string& scheme,
                   const std::string& parameters) override {
    return Call("SetInput", input + "," + scheme + "," + parameters);
  }
};

class FakeVideoSource : public Fake<VideoSource> {
 public:
  using Fake::Fake;
  HResult SetInput(const std::string& input, const std::string& scheme,
                   const std::string& parameters) override {
    return Call("SetInput", input + "," + scheme + "," + parameters);
  }
  HResult QueryPropertyBag(Ref<PropertyBag>* bag) override {
    return world_.HandOut<FakePropertyBag>(Call("QueryPropertyBag"), "VideoSource.QueryPropertyBag",
                                           "PropertyBag", bag);
  }
};

class FakeSource : public Fake<Source> {
 public:
  using Fake::Fake;
  HResult QueryAudioSource(Ref<AudioSource>* view) override {
    return world_.HandOut<FakeAudioSource>(Call("QueryAudioSource"), Name() + ".QueryAudioSource",
                                           "AudioSource", view);
  }
  HResult QueryVideoSource(Ref<VideoSource>* view) override {
    return world_.HandOut<FakeVideoSource>(Call("QueryVideoSource"), Name() + ".QueryVideoSource",
                                           "VideoSource", view);
  }
};

class FakeProfileView : public Fake<ProfileView> {
 public:
  using Fake::Fake;
};

class FakeSourceGroup : public Fake<SourceGroup> {
 public:
  using Fake::Fake;
  HResult AddSource(SourceType type, Ref<Source>* source) override {
    const int code = static_cast<int>(type);
    return world_.HandOut<FakeSource>(Call("AddSource", std::to_string(code)), "SourceGroup.AddSource",
                                      code == 1 ? "AudioItem" : "VideoItem", source);
  }
  HResult PutProfile(ProfileView* profile) override {
    auto* fake = dynamic_cast<FakeBase*>(profile);
    return Call("PutProfile", fake ? fake->Name() : "?");
  }
};

class FakeSourceGroupCollection : public Fake<SourceGroupCollection> {
 public:
  using Fake::Fake;
  HResult Add(const std::string& name, Ref<SourceGroup>* group) override {
    return world_.HandOut<FakeSourceGroup>(Call("Add", name), "SourceGroupCollection.Add",
                                           "SourceGroup", group);
  }
};

class FakeAudience : public Fake<Audience> {
 public:
  using Fake::Fake;
  HResult PutVideoCodec(std::int32_t s, std::int32_t v) override { return Put("PutVideoCodec", s, v); }
  HResult PutVideoHeight(std::int32_t s, std::int32_t v) override { return Put("PutVideoHeight", s, v); }
  HResult PutVideoWidth(std::int32_t s, std::int32_t v) override { return Put("PutVideoWidth", s, v); }
  HResult PutVideoBufferSize(std::int32_t s, std::int32_t v) override {
    return Put("PutVideoBufferSize", s, v);
  }
  HResult PutVideoFPS(std::int32_t s, std::int32_t v) override { return Put("PutVideoFPS", s, v); }
  HResult PutVideoImageSharpness(std::int32_t s, std::int32_t v) override {
    return Put("PutVideoImageSharpness", s, v);
  }

 private:
  HResult Put(const char* member, std::int32_t stream, std::int32_t value) {
    return Call(member, std::to_string(stream) + "," + std::to_string(value));
  }
};

class FakeProfile : public Fake<Profile> {
 public:
  using Fake::Fake;
  std::string name, description;  // as the last successful puts left them

  HResult PutValidateMode(bool on) override { return Call("PutValidateMode", Quoted(on)); }
  HResult PutProfileName(const std::string& text) override {
    HResult hr = Call("PutProfileName", text);
    if (Succeeded(hr)) name = text;
    return hr;
  }
  HResult PutProfileDescription(const std::string& text) override {
    HResult hr = Call("PutProfileDescription", text);
    if (Succeeded(hr)) description = text;
    return hr;
  }
  HResult PutContentType(std::int32_t type) override { return Call("PutContentType", std::to_string(type)); }
  HResult PutVBRMode(SourceType type, std::int32_t stream, std::int32_t mode) override {
    return Call("PutVBRMode", std::to_string(static_cast<int>(type)) + "," + std::to_string(stream) +
                                  "," + std::to_string(mode));
  }
  HResult AddAudience(std::int32_t bitsPerSecond, Ref<Audience>* audience) override {
    return world_.HandOut<FakeAudience>(Call("AddAudience", std::to_string(bitsPerSecond)),
                                        "Profile.AddAudience", "Audience", audience);
  }
  HResult GetCodecIndexFromFourCC(SourceType type, std::uint32_t fourCC,
                                  std::int32_t* codecIndex) override {
    HResult hr = Call("GetCodecIndexFromFourCC", std::to_string(static_cast<int>(type)) + "," + Hex(fourCC));
    if (Succeeded(hr)) *codecIndex = world_.codecIndex;
    return hr;
  }
  HResult Validate() override { return Call("Validate"); }
  HResult QueryProfileView(Ref<ProfileView>* view) override {
    return world_.HandOut<FakeProfileView>(Call("QueryProfileView"), "Profile.QueryProfileView",
                                           "ProfileView", view);
  }
};

class FakeDisplayInfo : public Fake<DisplayInfo> {
 public:
  using Fake::Fake;
  HResult PutAuthor(const std::string& t) override { return Call("PutAuthor", t); }
  HResult PutCopyright(const std::string& t) override { return Call("PutCopyright", t); }
  HResult PutDescription(const std::string& t) override { return Call("PutDescription", t); }
  HResult PutTitle(const std::string& t) override { return Call("PutTitle", t); }
};

class FakeOutputFile : public Fake<OutputFile> {
 public:
  using Fake::Fake;
  HResult PutLocalFileName(const std::string& path) override { return Call("PutLocalFileName", path); }
};

class FakeEncoder : public Fake<Encoder> {
 public:
  using Fake::Fake;
  HResult GetSourceGroupCollection(Ref<SourceGroupCollection>* collection) override {
    return world_.HandOut<FakeSourceGroupCollection>(Call("GetSourceGroupCollection"),
                                                     "Encoder.GetSourceGroupCollection",
                                                     "SourceGroupCollection", collection);
  }
  HResult GetDisplayInfo(Ref<DisplayInfo>* info) override {
    return world_.HandOut<FakeDisplayInfo>(Call("GetDisplayInfo"), "Encoder.GetDisplayInfo",
                                           "DisplayInfo", info);
  }
  HResult GetFile(Ref<OutputFile>* file) override {
    return world_.HandOut<FakeOutputFile>(Call("GetFile"), "Encoder.GetFile", "OutputFile", file);
  }
  HResult PrepareToEncode(bool prepare) override { return Call("PrepareToEncode", Quoted(prepare)); }
  HResult Start() override { return Call("Start"); }
  HResult Pause() override { return Call("Pause"); }
  HResult Stop() override { return Call("Stop"); }
};

class FakeFactory : public ComponentFactory {
 public:
  explicit FakeFactory(World& world) : world_(world) {}
  HResult CreateEncoder(Ref<Encoder>* encoder) override {
    return world_.HandOut<FakeEncoder>(world_.Call("Factory", "CreateEncoder", ""),
                                       "Factory.CreateEncoder", "Encoder", encoder);
  }
  HResult CreateProfile(Ref<Profile>* profile) override {
    return world_.HandOut<FakeProfile>(world_.Call("Factory", "CreateProfile", ""),
                                       "Factory.CreateProfile", "Profile", profile);
  }

 private:
  World& world_;
};

}  // namespace mavrion::encoder::fakes
