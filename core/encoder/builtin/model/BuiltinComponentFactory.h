#pragma once
// The built-in screen encoder behind the encoder component's port: what
// the program records with where the installed component's classes are not
// registered.
#include <memory>

#include "core/encoder/EncoderComponent.h"
#include "core/encoder/builtin/model/ModelObject.h"

namespace mavrion::encoder::builtin {

class BuiltinComponentFactory : public ComponentFactory {
 public:
  // keepAlive owns whatever the ports live in; the objects made here keep
  // it, so they may outlive the factory.
  explicit BuiltinComponentFactory(BuiltinPorts ports, std::shared_ptr<void> keepAlive = nullptr);

  HResult CreateEncoder(Ref<Encoder>* encoder) override;
  HResult CreateProfile(Ref<Profile>* profile) override;

  // Objects of this factory not yet deleted.
  int LiveObjects() const { return context_->liveObjects.load(); }

 private:
  std::shared_ptr<ModelContext> context_;
};

}  // namespace mavrion::encoder::builtin
