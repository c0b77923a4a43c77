#include "core/encoder/builtin/model/EncoderObject.h"

#include <algorithm>
#include <new>

#include "core/encoder/builtin/PictureShaper.h"
#include "core/encoder/builtin/model/ModelResults.h"

namespace mavrion::encoder::builtin {

AsfTexts DisplayInfoObject::Texts(TextConverter& converter) const {
  AsfTexts texts;
  texts.title = converter.ToUtf16(title_);
  texts.author = converter.ToUtf16(author_);
  texts.copyright = converter.ToUtf16(copyright_);
  texts.description = converter.ToUtf16(description_);
  return texts;
}

EncoderObject::EncoderObject(std::shared_ptr<ModelContext> context)
    : ModelObject(std::move(context)),
      collection_(new SourceGroupCollectionObject(SharedContext())),
      displayInfo_(new DisplayInfoObject(SharedContext())),
      file_(new OutputFileObject(SharedContext())) {}

HResult EncoderObject::GetSourceGroupCollection(Ref<SourceGroupCollection>* collection) {
  return HandOut<SourceGroupCollection>(collection_.Get(), collection);
}

HResult EncoderObject::GetDisplayInfo(Ref<DisplayInfo>* info) { return HandOut<DisplayInfo>(displayInfo_.Get(), info); }

HResult EncoderObject::GetFile(Ref<OutputFile>* file) { return HandOut<OutputFile>(file_.Get(), file); }

HResult EncoderObject::MakePlan(RecordingPlan* plan) const {
  const BuiltinPorts& ports = Context().ports;
  const SourceGroupObject* group = collection_->ActiveGroup();
  if (!group) return kE_UNEXPECTED;
  const VideoSourceObject* video = group->Video();
  const AudioSourceObject* audio = group->Audio();
  const ProfileObject* profile = group->BoundProfile();
  if (!video || !video->HasInput() || (audio && !audio->Input()) || !profile) return kE_UNEXPECTED;

  const ProfileValues& values = profile->Values();
  if (Failed(CheckProfile(values))) return kE_INVALIDARG;
  // The profile's streams are the group's sources.
  if ((values.contentType == kContentAudioVideo) != (audio != nullptr)) return kE_INVALIDARG;

  if (file_->Path().empty()) return kE_UNEXPECTED;
  // An output that cannot be created is refused by Start, not here: the
  // recording commands report a refused start in the activity log.

  plan->area = ResolveCaptureArea(video->Area(), ports.screen.PrimaryScreen());
  if (IsEmptyArea(plan->area)) return kE_INVALIDARG;
  const AudienceValues& audience = values.audiences.front();
  FrameGeometry geometry;
  if (!ChooseFrameGeometry(plan->area.right - plan->area.left, plan->area.bottom - plan->area.top, audience.width,
                           audience.height, &geometry)) {
    return kE_INVALIDARG;
  }

  plan->hasAudio = audio != nullptr;
  if (audio) {
    // No sound input at all, or none of the name: the session cannot run.
    const std::vector<std::string> names = ports.audio.DeviceNames();
    if (names.empty()) return kVFW_E_NOT_FOUND;
    plan->audioDevice = kDefaultAudioDevice;
    if (!audio->Input()->defaultDevice) {
      std::optional<std::size_t> index = MatchAudioDevice(names, audio->Input()->name);
      if (!index) return kVFW_E_NOT_FOUND;
      plan->audioDevice = static_cast<int>(*index);
    }
  }

  plan->flashRect = video->Area().flashRect;
  plan->path = file_->Path();
  plan->setup.profileWidth = audience.width;
  plan->setup.profileHeight = audience.height;
  plan->setup.framesPerThousandSeconds = audience.thousandthsFps;
  plan->setup.sharpness = std::max(audience.sharpness, 1);
  if (audience.bitsPerSecond > 0) plan->setup.bitsPerSecond = static_cast<std::uint32_t>(audience.bitsPerSecond);
  if (audience.bufferMs > 0) plan->setup.bufferMs = static_cast<std::uint32_t>(audience.bufferMs);
  plan->setup.texts = displayInfo_->Texts(ports.texts);
  return kS_OK;
}

HResult EncoderObject::PrepareToEncode(bool prepare) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::Recording || state_ == State::Paused) return kNS_E_INVALIDCALL_WHILE_ENCODER_RUNNING;
  state_ = State::Idle;
  if (!prepare) return kS_OK;
  RecordingPlan plan;
  const HResult hr = MakePlan(&plan);
  if (Failed(hr)) return hr;
  plan_ = std::move(plan);
  state_ = State::Prepared;
  return kS_OK;
}

HResult EncoderObject::Start() {
  const std::lock_guard<std::mutex> lock(mutex_);
  switch (state_) {
    case State::Idle:
      return kE_UNEXPECTED;
    case State::Recording:
      return kNS_E_INVALIDCALL_WHILE_ENCODER_RUNNING;
    case State::Paused:
      run_->Resume();
      state_ = State::Recording;
      return kS_OK;
    case State::Prepared:
      break;
  }
  HResult hr = kE_FAIL;
  try {
    plan_.stoppedByItself = stoppedByItself_;
    hr = RecordingRun::Begin(plan_, Context().ports, &run_);
  } catch (const std::bad_alloc&) {
    hr = kE_OUTOFMEMORY;
  }
  if (Failed(hr)) return hr;
  state_ = State::Recording;
  return kS_OK;
}

HResult EncoderObject::Pause() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::Paused) return kS_OK;
  if (state_ != State::Recording) return kNS_E_INVALIDCALL_WHILE_ENCODER_STOPPED;
  run_->Pause();
  state_ = State::Paused;
  return kS_OK;
}

HResult EncoderObject::Stop() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != State::Recording && state_ != State::Paused) return kNS_E_INVALIDCALL_WHILE_ENCODER_STOPPED;
  run_->Finish();
  run_.reset();
  // A new recording needs PrepareToEncode again.
  state_ = State::Idle;
  return kS_OK;
}

HResult EncoderObject::AdviseStoppedByItself(std::function<void()> notice) {
  const std::lock_guard<std::mutex> lock(mutex_);
  stoppedByItself_ = std::move(notice);
  return kS_OK;
}

}  // namespace mavrion::encoder::builtin
