#pragma once
// The counted objects of the built-in encoder's object model. Each starts
// with one reference for its creator and deletes itself at the last
// Release, as a COM object does. An object that answers several of the
// port's interfaces (a source and its views) counts once for all of them.
#include <atomic>
#include <memory>
#include <utility>

#include "core/encoder/Ref.h"
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::encoder::builtin {

// What every object of one factory shares: the platform's ports, whatever
// keeps them alive, and the number of objects alive.
struct ModelContext {
  ModelContext(BuiltinPorts p, std::shared_ptr<void> keep) : ports(p), keepAlive(std::move(keep)) {}
  BuiltinPorts ports;
  std::shared_ptr<void> keepAlive;
  std::atomic<int> liveObjects{0};
};

template <class... Interfaces>
class ModelObject : public Interfaces... {
 public:
  explicit ModelObject(std::shared_ptr<ModelContext> context) : context_(std::move(context)) {
    ++context_->liveObjects;
  }
  ModelObject(const ModelObject&) = delete;
  ModelObject& operator=(const ModelObject&) = delete;

  unsigned long AddRef() override { return ++refs_; }
  unsigned long Release() override {
    const unsigned long left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ~ModelObject() override { --context_->liveObjects; }
  ModelContext& Context() const { return *context_; }
  const std::shared_ptr<ModelContext>& SharedContext() const { return context_; }

 private:
  std::atomic<unsigned long> refs_{1};
  std::shared_ptr<ModelContext> context_;
};

// Hands an object to an out-parameter with a reference of its own.
template <class Port, class Object>
HResult HandOut(Object* object, Ref<Port>* out) {
  if (!out) return kE_POINTER;
  *out = Ref<Port>::Share(static_cast<Port*>(object));
  return kS_OK;
}

}  // namespace mavrion::encoder::builtin
