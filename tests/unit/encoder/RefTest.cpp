#include "core/encoder/Ref.h"

#include <gtest/gtest.h>

namespace mavrion::encoder {
namespace {

class Counted : public Unknown {
 public:
  explicit Counted(int* live) : live_(live) { ++*live_; }
  unsigned long AddRef() override { return ++refs_; }
  unsigned long Release() override {
    unsigned long left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~Counted() override { --*live_; }
  unsigned long refs_ = 1;
  int* live_;
};

TEST(RefTest, ReleasesOnResetPutMoveAndScopeEnd) {
  int live = 0;
  {
    Ref<Counted> a(new Counted(&live));
    Ref<Counted> shared = Ref<Counted>::Share(a.Get());
    EXPECT_EQ(live, 1);
    a.Reset();
    EXPECT_EQ(live, 1) << "a shared reference keeps the object";
    Ref<Counted> moved = std::move(shared);
    EXPECT_FALSE(shared);
    *moved.Put() = new Counted(&live);  // Put releases the old object first
    EXPECT_EQ(live, 1);
  }
  EXPECT_EQ(live, 0);
}

}  // namespace
}  // namespace mavrion::encoder
