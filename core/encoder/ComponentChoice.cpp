#include "core/encoder/ComponentChoice.h"

#include "core/encoder/ErrorBox.h"

namespace mavrion::encoder {

HResult ComponentChoice::CreateEncoder(Ref<Encoder>* encoder) {
  chosen_ = &installed_;
  const HResult hr = Obtained(installed_.CreateEncoder(encoder), *encoder);
  if (Succeeded(hr)) return hr;
  encoder->Reset();
  chosen_ = &builtin_;
  return builtin_.CreateEncoder(encoder);
}

HResult ComponentChoice::CreateProfile(Ref<Profile>* profile) { return chosen_->CreateProfile(profile); }

}  // namespace mavrion::encoder
