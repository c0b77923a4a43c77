#include "core/encoder/builtin/model/BuiltinComponentFactory.h"

#include <new>

#include "core/encoder/builtin/model/EncoderObject.h"
#include "core/encoder/builtin/model/ProfileObjects.h"

namespace mavrion::encoder::builtin {
namespace {

template <class Object, class Port>
HResult Make(const std::shared_ptr<ModelContext>& context, Ref<Port>* out) {
  if (!out) return kE_POINTER;
  try {
    *out = Ref<Port>(new Object(context));
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
  return kS_OK;
}

}  // namespace

BuiltinComponentFactory::BuiltinComponentFactory(BuiltinPorts ports, std::shared_ptr<void> keepAlive)
    : context_(std::make_shared<ModelContext>(ports, std::move(keepAlive))) {}

HResult BuiltinComponentFactory::CreateEncoder(Ref<Encoder>* encoder) { return Make<EncoderObject>(context_, encoder); }

HResult BuiltinComponentFactory::CreateProfile(Ref<Profile>* profile) { return Make<ProfileObject>(context_, profile); }

}  // namespace mavrion::encoder::builtin
