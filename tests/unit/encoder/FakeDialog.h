#pragma once
// The main dialog as the encoding engine sees it: its drop-down lists, its
// data exchange and the message boxes shown.
#include <functional>
#include <string>
#include <vector>

#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "tests/unit/platform/FakeDialogView.h"

namespace mavrion::encoder::fakes {

class FakeDialogView : public test_fakes::FakeDialogView {
 public:
  FakeDialogView() : test_fakes::FakeDialogView(0x1234) {}
};

// Refreshing the controls runs whatever the test says the held values put
// into them.
class FakeDataExchange : public DataExchange {
 public:
  int refreshes = 0;
  std::function<void()> onRefresh;
  void RefreshControls() override {
    ++refreshes;
    if (onRefresh) onRefresh();
  }
  void ReadControls() override {}
};

struct ShownBox {
  WindowHandle owner;
  std::string text;
  std::string caption;
  unsigned style;
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  std::vector<ShownBox> shown;
  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    shown.push_back({owner, text, caption, style});
    return mb::kIdOk;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : shown) texts.push_back(box.text);
    return texts;
  }
};

}  // namespace mavrion::encoder::fakes
