#pragma once
// The encoder component's object model, as the program drives it. Two
// implementations: the automation adapter over the installed component, and
// the built-in screen encoder. Every call answers an HRESULT; objects handed
// back through a Ref* out-parameter carry one reference for the caller.
// Texts are ANSI; the automation adapter makes BSTRs of them.
#include <cstdint>
#include <functional>
#include <string>

#include "core/encoder/Ref.h"
#include "core/platform/Types.h"

namespace mavrion::encoder {

enum class SourceType : std::int32_t { Audio = 1, Video = 2 };

// The two VARIANT kinds the screen-capture properties use.
struct PropertyValue {
  enum class Kind : std::uint16_t { I4 = 3, Bool = 11 };
  Kind kind = Kind::I4;
  std::int32_t value = 0;  // for Bool: VARIANT_TRUE -1 or VARIANT_FALSE 0
  static PropertyValue Bool(bool b) { return {Kind::Bool, b ? -1 : 0}; }
  static PropertyValue I4(std::int32_t v) { return {Kind::I4, v}; }
  friend bool operator==(const PropertyValue&, const PropertyValue&) = default;
};

class PropertyBag : public Unknown {  // IPropertyBag
 public:
  virtual HResult Write(const std::string& name, const PropertyValue& value) = 0;
};

class AudioSource : public Unknown {  // IWMEncAudioSource
 public:
  virtual HResult SetInput(const std::string& input, const std::string& scheme,
                           const std::string& parameters) = 0;
};

class VideoSource : public Unknown {  // IWMEncVideoSource2
 public:
  virtual HResult SetInput(const std::string& input, const std::string& scheme,
                           const std::string& parameters) = 0;
  virtual HResult QueryPropertyBag(Ref<PropertyBag>* bag) = 0;
};

class Source : public Unknown {  // IWMEncSource as AddSource returns it
 public:
  virtual HResult QueryAudioSource(Ref<AudioSource>* view) = 0;
  virtual HResult QueryVideoSource(Ref<VideoSource>* view) = 0;
};

class ProfileView : public Unknown {};  // IWMEncProfile, bound to a group

class SourceGroup : public Unknown {  // IWMEncSourceGroup
 public:
  virtual HResult AddSource(SourceType type, Ref<Source>* source) = 0;
  // put_Profile with a VT_DISPATCH VARIANT holding the profile view.
  virtual HResult PutProfile(ProfileView* profile) = 0;
};

class SourceGroupCollection : public Unknown {  // IWMEncSourceGroupCollection
 public:
  virtual HResult Add(const std::string& name, Ref<SourceGroup>* group) = 0;
};

class Audience : public Unknown {  // IWMEncAudienceObj
 public:
  virtual HResult PutVideoCodec(std::int32_t stream, std::int32_t codecIndex) = 0;
  virtual HResult PutVideoHeight(std::int32_t stream, std::int32_t height) = 0;
  virtual HResult PutVideoWidth(std::int32_t stream, std::int32_t width) = 0;
  virtual HResult PutVideoBufferSize(std::int32_t stream, std::int32_t milliseconds) = 0;
  virtual HResult PutVideoFPS(std::int32_t stream, std::int32_t thousandthsFps) = 0;
  virtual HResult PutVideoImageSharpness(std::int32_t stream, std::int32_t sharpness) = 0;
};

class Profile : public Unknown {  // IWMEncProfile2
 public:
  virtual HResult PutValidateMode(bool on) = 0;
  virtual HResult PutProfileName(const std::string& name) = 0;
  virtual HResult PutProfileDescription(const std::string& description) = 0;
  virtual HResult PutContentType(std::int32_t contentType) = 0;
  virtual HResult PutVBRMode(SourceType type, std::int32_t stream, std::int32_t mode) = 0;
  virtual HResult AddAudience(std::int32_t bitsPerSecond, Ref<Audience>* audience) = 0;
  virtual HResult GetCodecIndexFromFourCC(SourceType type, std::uint32_t fourCC,
                                          std::int32_t* codecIndex) = 0;
  virtual HResult Validate() = 0;
  virtual HResult QueryProfileView(Ref<ProfileView>* view) = 0;  // QI IWMEncProfile
};

class DisplayInfo : public Unknown {  // IWMEncDisplayInfo
 public:
  virtual HResult PutAuthor(const std::string& text) = 0;
  virtual HResult PutCopyright(const std::string& text) = 0;
  virtual HResult PutDescription(const std::string& text) = 0;
  virtual HResult PutTitle(const std::string& text) = 0;
};

class OutputFile : public Unknown {  // IWMEncFile
 public:
  virtual HResult PutLocalFileName(const std::string& path) = 0;
};

class Encoder : public Unknown {  // IWMEncoder2
 public:
  virtual HResult GetSourceGroupCollection(Ref<SourceGroupCollection>* collection) = 0;
  virtual HResult GetDisplayInfo(Ref<DisplayInfo>* info) = 0;
  virtual HResult GetFile(Ref<OutputFile>* file) = 0;
  virtual HResult PrepareToEncode(bool prepare) = 0;
  virtual HResult Start() = 0;  // also resumes after Pause
  virtual HResult Pause() = 0;
  virtual HResult Stop() = 0;
  // The component's word that a recording has ended without Stop, its file
  // no longer writable: notice runs once, on a thread of the component's or
  // from the dialog's message loop, and must only hand the news on. Stop is
  // still to be called. A component that cannot tell answers E_NOTIMPL.
  virtual HResult AdviseStoppedByItself(std::function<void()> /*notice*/) { return kE_NOTIMPL; }
};

// CoCreateInstance of the encoder and profile classes.
class ComponentFactory {
 public:
  virtual ~ComponentFactory() = default;
  virtual HResult CreateEncoder(Ref<Encoder>* encoder) = 0;
  virtual HResult CreateProfile(Ref<Profile>* profile) = 0;
};

}  // namespace mavrion::encoder
