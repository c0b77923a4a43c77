#pragma once
// The built-in encoder's source groups and sources. A source answers its
// own view (and the video source its property bag) as the same object,
// as the component's sources do.
#include <optional>
#include <string>
#include <vector>

#include "core/encoder/EncoderComponent.h"
#include "core/encoder/builtin/model/ModelObject.h"
#include "core/encoder/builtin/model/ProfileObjects.h"
#include "core/encoder/builtin/model/SourceRules.h"

namespace mavrion::encoder::builtin {

class VideoSourceObject : public ModelObject<Source, VideoSource, PropertyBag> {
 public:
  explicit VideoSourceObject(std::shared_ptr<ModelContext> context) : ModelObject(std::move(context)) {}

  HResult QueryAudioSource(Ref<AudioSource>* view) override;
  HResult QueryVideoSource(Ref<VideoSource>* view) override;
  // Only the screen-capture input is known; its property bag exists once
  // the input is set.
  HResult SetInput(const std::string& input, const std::string& scheme, const std::string& parameters) override;
  HResult QueryPropertyBag(Ref<PropertyBag>* bag) override;
  // "Screen", "FlashRect" (true or false), "Left", "Right", "Top",
  // "Bottom" (numbers); names in any case.
  HResult Write(const std::string& name, const PropertyValue& value) override;

  bool HasInput() const { return hasInput_; }
  const CaptureAreaProperties& Area() const { return area_; }

 private:
  ~VideoSourceObject() override = default;
  bool hasInput_ = false;
  CaptureAreaProperties area_;
};

class AudioSourceObject : public ModelObject<Source, AudioSource> {
 public:
  explicit AudioSourceObject(std::shared_ptr<ModelContext> context) : ModelObject(std::move(context)) {}

  HResult QueryAudioSource(Ref<AudioSource>* view) override;
  HResult QueryVideoSource(Ref<VideoSource>* view) override;
  // "Device://Default_Audio_Device" or "Device://" and a device's name;
  // whether the device exists is found out by PrepareToEncode.
  HResult SetInput(const std::string& input, const std::string& scheme, const std::string& parameters) override;

  const std::optional<AudioInputChoice>& Input() const { return input_; }

 private:
  ~AudioSourceObject() override = default;
  std::optional<AudioInputChoice> input_;
};

class SourceGroupObject : public ModelObject<SourceGroup> {
 public:
  SourceGroupObject(std::shared_ptr<ModelContext> context, std::string name)
      : ModelObject(std::move(context)), name_(std::move(name)) {}

  // One source of each type.
  HResult AddSource(SourceType type, Ref<Source>* source) override;
  // Only a profile of this encoder's own kind; the group keeps it.
  HResult PutProfile(ProfileView* profile) override;

  const std::string& Name() const { return name_; }
  VideoSourceObject* Video() const { return video_.Get(); }
  AudioSourceObject* Audio() const { return audio_.Get(); }
  ProfileObject* BoundProfile() const { return profile_.Get(); }

 private:
  ~SourceGroupObject() override = default;
  std::string name_;
  Ref<VideoSourceObject> video_;
  Ref<AudioSourceObject> audio_;
  Ref<ProfileObject> profile_;
};

class SourceGroupCollectionObject : public ModelObject<SourceGroupCollection> {
 public:
  explicit SourceGroupCollectionObject(std::shared_ptr<ModelContext> context) : ModelObject(std::move(context)) {}

  // Names are unique (compared without case) and not empty.
  HResult Add(const std::string& name, Ref<SourceGroup>* group) override;

  // The group that is recorded: the first one added.
  SourceGroupObject* ActiveGroup() const { return groups_.empty() ? nullptr : groups_.front().Get(); }

 private:
  ~SourceGroupCollectionObject() override = default;
  std::vector<Ref<SourceGroupObject>> groups_;
};

}  // namespace mavrion::encoder::builtin
