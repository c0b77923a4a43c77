#include "core/encoder/builtin/model/SourceObjects.h"

#include <new>

#include "core/encoder/EncoderSession.h"

namespace mavrion::encoder::builtin {
namespace {

// Names of the properties of the screen-capture input.
enum class Property { Screen, FlashRect, Left, Right, Top, Bottom };
constexpr struct {
  const char* name;
  Property property;
} kProperties[] = {
    {"Screen", Property::Screen}, {"FlashRect", Property::FlashRect}, {"Left", Property::Left},
    {"Right", Property::Right},   {"Top", Property::Top},             {"Bottom", Property::Bottom},
};

template <class Object>
HResult MakeInto(const std::shared_ptr<ModelContext>& context, Ref<Object>* out) {
  auto* object = new (std::nothrow) Object(context);
  if (!object) return kE_OUTOFMEMORY;
  *out = Ref<Object>(object);
  return kS_OK;
}

}  // namespace

HResult VideoSourceObject::QueryAudioSource(Ref<AudioSource>* view) {
  if (view) view->Reset();
  return kE_NOINTERFACE;
}

HResult VideoSourceObject::QueryVideoSource(Ref<VideoSource>* view) { return HandOut<VideoSource>(this, view); }

HResult VideoSourceObject::SetInput(const std::string& input, const std::string& scheme,
                                    const std::string& parameters) {
  if (!scheme.empty() || !parameters.empty() || !SameTextIgnoringCase(input, kScreenCaptureInput)) {
    return kE_INVALIDARG;
  }
  hasInput_ = true;
  return kS_OK;
}

HResult VideoSourceObject::QueryPropertyBag(Ref<PropertyBag>* bag) {
  if (!bag) return kE_POINTER;
  if (!hasInput_) {
    bag->Reset();
    return kE_NOINTERFACE;
  }
  return HandOut<PropertyBag>(this, bag);
}

HResult VideoSourceObject::Write(const std::string& name, const PropertyValue& value) {
  // Either kind is taken for any property, as a VARIANT's coercion would:
  // true is -1, and a number is true when it is not 0.
  for (const auto& known : kProperties) {
    if (!SameTextIgnoringCase(name, known.name)) continue;
    switch (known.property) {
      case Property::Screen: area_.screen = value.value != 0; break;
      case Property::FlashRect: area_.flashRect = value.value != 0; break;
      case Property::Left: area_.left = value.value; break;
      case Property::Right: area_.right = value.value; break;
      case Property::Top: area_.top = value.value; break;
      case Property::Bottom: area_.bottom = value.value; break;
    }
    return kS_OK;
  }
  return kE_INVALIDARG;
}

HResult AudioSourceObject::QueryAudioSource(Ref<AudioSource>* view) { return HandOut<AudioSource>(this, view); }

HResult AudioSourceObject::QueryVideoSource(Ref<VideoSource>* view) {
  if (view) view->Reset();
  return kE_NOINTERFACE;
}

HResult AudioSourceObject::SetInput(const std::string& input, const std::string& scheme,
                                    const std::string& parameters) {
  std::optional<AudioInputChoice> choice = ParseAudioInput(input);
  if (!scheme.empty() || !parameters.empty() || !choice) return kE_INVALIDARG;
  input_ = std::move(choice);
  return kS_OK;
}

HResult SourceGroupObject::AddSource(SourceType type, Ref<Source>* source) {
  if (!source) return kE_POINTER;
  HResult hr = kE_INVALIDARG;
  if (type == SourceType::Video && !video_) {
    if (Failed(hr = MakeInto(SharedContext(), &video_))) return hr;
    return HandOut<Source>(video_.Get(), source);
  }
  if (type == SourceType::Audio && !audio_) {
    if (Failed(hr = MakeInto(SharedContext(), &audio_))) return hr;
    return HandOut<Source>(audio_.Get(), source);
  }
  return hr;
}

HResult SourceGroupObject::PutProfile(ProfileView* profile) {
  auto* own = dynamic_cast<ProfileObject*>(profile);
  if (!own) return kE_INVALIDARG;
  profile_ = Ref<ProfileObject>::Share(own);
  return kS_OK;
}

HResult SourceGroupCollectionObject::Add(const std::string& name, Ref<SourceGroup>* group) {
  if (!group) return kE_POINTER;
  if (name.empty()) return kE_INVALIDARG;
  for (const auto& existing : groups_) {
    if (SameTextIgnoringCase(existing->Name(), name)) return kE_INVALIDARG;
  }
  auto* object = new (std::nothrow) SourceGroupObject(SharedContext(), name);
  if (!object) return kE_OUTOFMEMORY;
  groups_.emplace_back(object);
  return HandOut<SourceGroup>(object, group);
}

}  // namespace mavrion::encoder::builtin
