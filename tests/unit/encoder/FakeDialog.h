#pragma once
// The main dialog as the encoding engine sees it: its drop-down lists, its
// data exchange and the message boxes shown.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"

namespace mavrion::encoder::fakes {

class FakeMenu : public MenuView {
 public:
  void SetItemEnabled(int, bool) override {}
  bool IsItemEnabled(int) const override { return true; }
};

class FakeDialogView : public DialogView {
 public:
  std::map<int, std::vector<std::string>> lists;
  std::map<int, int> selections;

  void SetList(int id, std::vector<std::string> entries, int selection) {
    lists[id] = std::move(entries);
    selections[id] = selection;
  }

  WindowHandle Handle() const override { return 0x1234; }
  void EnableControl(int, bool) override {}
  bool IsControlEnabled(int) const override { return true; }
  void SetControlText(int, const std::string&) override {}
  std::string GetControlText(int, std::size_t) const override { return {}; }
  void SetCheck(int, bool) override {}
  bool IsChecked(int) const override { return false; }

  void ComboInsert(int id, int position, const std::string& text) override {
    auto& entries = lists[id];
    if (position < 0 || position > static_cast<int>(entries.size())) position = static_cast<int>(entries.size());
    entries.insert(entries.begin() + position, text);
  }
  int ComboCount(int id) const override {
    auto it = lists.find(id);
    return it == lists.end() ? 0 : static_cast<int>(it->second.size());
  }
  void ComboSetSelection(int id, int index) override {
    selections[id] = index >= 0 && index < ComboCount(id) ? index : -1;
  }
  int ComboSelection(int id) const override {
    auto it = selections.find(id);
    return it == selections.end() ? -1 : it->second;
  }
  std::string ComboSelectedText(int id) const override {
    int selection = ComboSelection(id);
    if (selection < 0 || selection >= ComboCount(id)) return {};
    return lists.at(id)[static_cast<std::size_t>(selection)];
  }

  void Show(bool) override {}
  bool IsVisible() const override { return true; }
  MenuView& OptionsMenu() override { return menu_; }
  void DrawMenuBar() override {}

 private:
  FakeMenu menu_;
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
