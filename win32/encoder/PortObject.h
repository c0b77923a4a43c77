#pragma once
// A port object of the core over one COM interface: it counts its own
// references and holds one reference to the COM object it stands for.
#include <windows.h>

#include <new>
#include <utility>

#include "core/encoder/Ref.h"
#include "win32/encoder/ComSupport.h"

namespace mavrion::win32 {

template <class Port, class Interface>
class PortObject : public Port {
 public:
  explicit PortObject(ComPtr<Interface> object) : object_(std::move(object)) {}
  unsigned long AddRef() override { return static_cast<unsigned long>(InterlockedIncrement(&refs_)); }
  unsigned long Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<unsigned long>(left);
  }
  Interface* Object() const { return object_.Get(); }

 protected:
  ~PortObject() override = default;

 private:
  ComPtr<Interface> object_;
  LONG refs_ = 1;
};

// Hands a COM object back through the port, wrapped in Adapter. A call that
// succeeded without an object hands back nothing and keeps its result.
template <class Adapter, class Port, class Interface>
HRESULT HandBack(HRESULT hr, ComPtr<Interface> object, encoder::Ref<Port>* out) {
  if (FAILED(hr) || !object) return hr;
  Adapter* adapter = new (std::nothrow) Adapter(std::move(object));
  if (!adapter) return E_OUTOFMEMORY;
  *out = encoder::Ref<Port>(adapter);
  return hr;
}

}  // namespace mavrion::win32
