#pragma once
// Counted references to encoder component objects, held and released as COM
// references are: every object starts with one reference for its creator.
#include <utility>

namespace mavrion::encoder {

class Unknown {
 public:
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;

 protected:
  virtual ~Unknown() = default;
};

// Move-only owner of one reference. Put() releases what is held and hands
// out the slot for an out-parameter, as a COM smart pointer's put does.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* adopted) : p_(adopted) {}
  static Ref Share(T* p) {
    if (p) p->AddRef();
    return Ref(p);
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~Ref() { Reset(); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T** Put() {
    Reset();
    return &p_;
  }
  T* Detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

}  // namespace mavrion::encoder
