#pragma once
// The built-in encoder itself: its source groups, display information and
// output file, and the life of a recording: prepared, recording, paused,
// stopped. Every call answers as the installed component does: success, a
// failure code for a call out of turn or a value it cannot use, never a
// crash.
#include <memory>
#include <mutex>
#include <string>

#include "core/encoder/EncoderComponent.h"
#include "core/encoder/builtin/model/ModelObject.h"
#include "core/encoder/builtin/model/RecordingRun.h"
#include "core/encoder/builtin/model/SourceObjects.h"

namespace mavrion::encoder::builtin {

class DisplayInfoObject : public ModelObject<DisplayInfo> {
 public:
  explicit DisplayInfoObject(std::shared_ptr<ModelContext> context) : ModelObject(std::move(context)) {}
  HResult PutAuthor(const std::string& text) override { return Keep(&author_, text); }
  HResult PutCopyright(const std::string& text) override { return Keep(&copyright_, text); }
  HResult PutDescription(const std::string& text) override { return Keep(&description_, text); }
  HResult PutTitle(const std::string& text) override { return Keep(&title_, text); }

  // The texts as the file stores them.
  AsfTexts Texts(TextConverter& converter) const;

 private:
  ~DisplayInfoObject() override = default;
  static HResult Keep(std::string* field, const std::string& text) {
    *field = text;
    return kS_OK;
  }
  std::string author_, copyright_, description_, title_;
};

class OutputFileObject : public ModelObject<OutputFile> {
 public:
  explicit OutputFileObject(std::shared_ptr<ModelContext> context) : ModelObject(std::move(context)) {}
  HResult PutLocalFileName(const std::string& path) override {
    path_ = path;
    return kS_OK;
  }
  const std::string& Path() const { return path_; }

 private:
  ~OutputFileObject() override = default;
  std::string path_;
};

class EncoderObject : public ModelObject<Encoder> {
 public:
  // Throws std::bad_alloc when its parts cannot be made.
  explicit EncoderObject(std::shared_ptr<ModelContext> context);

  HResult GetSourceGroupCollection(Ref<SourceGroupCollection>* collection) override;
  HResult GetDisplayInfo(Ref<DisplayInfo>* info) override;
  HResult GetFile(Ref<OutputFile>* file) override;
  // True checks the session and freezes what a Start records; false lets
  // that go. Neither while a recording runs.
  HResult PrepareToEncode(bool prepare) override;
  HResult Start() override;
  HResult Pause() override;
  // Finishes the file. A recording that the disk cut short stops too.
  HResult Stop() override;
  // Kept for every later recording of this encoder.
  HResult AdviseStoppedByItself(std::function<void()> notice) override;

 private:
  enum class State { Idle, Prepared, Recording, Paused };
  // Releasing the last reference while recording finishes the file.
  ~EncoderObject() override = default;
  HResult MakePlan(RecordingPlan* plan) const;

  std::mutex mutex_;  // one call at a time
  Ref<SourceGroupCollectionObject> collection_;
  Ref<DisplayInfoObject> displayInfo_;
  Ref<OutputFileObject> file_;
  State state_ = State::Idle;
  RecordingPlan plan_;
  std::function<void()> stoppedByItself_;
  std::unique_ptr<RecordingRun> run_;
};

}  // namespace mavrion::encoder::builtin
