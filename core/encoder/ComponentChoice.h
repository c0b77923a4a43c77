#pragma once
// Which encoder component a recording uses: the installed one whenever its
// encoder can be made, else the built-in encoder. A registration can be
// stale (the server gone, an interface missing), so any failure to make the
// installed encoder falls back, not only a class that is not registered.
// The profile always comes from the component that made the last encoder:
// only a profile of the same component can be bound to its source group.
#include "core/encoder/EncoderComponent.h"

namespace mavrion::encoder {

class ComponentChoice : public ComponentFactory {
 public:
  // Both outlive the choice.
  ComponentChoice(ComponentFactory& installed, ComponentFactory& builtin)
      : installed_(installed), builtin_(builtin), chosen_(&installed) {}

  HResult CreateEncoder(Ref<Encoder>* encoder) override;
  HResult CreateProfile(Ref<Profile>* profile) override;

 private:
  ComponentFactory& installed_;
  ComponentFactory& builtin_;
  ComponentFactory* chosen_;
};

}  // namespace mavrion::encoder
