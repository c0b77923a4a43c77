#include "core/encoder/EncodingEngine.h"

#include <utility>

namespace mavrion::encoder {

EncodingEngine::EncodingEngine(Ports ports) : ports_(std::move(ports)) {}

EncodingEngine::~EncodingEngine() { encoder::ReleaseEncoderSession(session_); }

void EncodingEngine::LoadAudioDeviceList() {
  encoder::LoadAudioDeviceList(ports_.view, ports_.devices);
  WarnIfNoAudioDevice(ports_.view, ports_.boxes);
}

void EncodingEngine::ApplyEncoderSettings() {
  encoder::ApplyEncoderSettings(ports_.dialog, ports_.view, ports_.metadata, settings_);
}

HResult EncodingEngine::BuildEncoderSession() {
  return encoder::BuildEncoderSession(session_, settings_, {ports_.request, ports_.computeApplicationsRect},
                                      {ports_.factory, ports_.boxes});
}

void EncodingEngine::ReleaseEncoderSession() { encoder::ReleaseEncoderSession(session_); }

bool EncodingEngine::HasEncoder() const { return static_cast<bool>(session_.Encoder); }

HResult EncodingEngine::StartEncoder() { return session_.Encoder ? session_.Encoder->Start() : kE_POINTER; }

void EncodingEngine::AdviseEncoderStopped(std::function<void()> notice) {
  if (session_.Encoder) session_.Encoder->AdviseStoppedByItself(std::move(notice));
}

HResult EncodingEngine::PauseEncoder() { return session_.Encoder ? session_.Encoder->Pause() : kE_POINTER; }

HResult EncodingEngine::StopEncoder() { return session_.Encoder ? session_.Encoder->Stop() : kE_POINTER; }

void EncodingEngine::SetContentType(std::int32_t contentType) { settings_.ContentType = contentType; }

}  // namespace mavrion::encoder
