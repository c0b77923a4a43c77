#pragma once
// A dialog window and menu for tests: they keep what the core sets (enabled
// states, texts, checks, drop-down entries and selections, visibility, menu
// item states) and answer it back. A suite that journals calls derives from
// the view and notes the ones it cares about.
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/platform/DialogView.h"

namespace mavrion::test_fakes {

class FakeMenu : public MenuView {
 public:
  // unsetEnabled: what an item that was never set answers.
  explicit FakeMenu(bool unsetEnabled = true) : unsetEnabled_(unsetEnabled) {}
  void SetItemEnabled(int commandId, bool enabled) override {
    enabled_[commandId] = enabled;
    if (onChange) onChange(commandId, enabled);
  }
  bool IsItemEnabled(int commandId) const override {
    auto it = enabled_.find(commandId);
    return it == enabled_.end() ? unsetEnabled_ : it->second;
  }

  std::map<int, bool> enabled_;
  std::function<void(int commandId, bool enabled)> onChange;

 private:
  bool unsetEnabled_;
};

class FakeDialogView : public DialogView {
 public:
  // unsetEnabled: what a control, or a menu item, never set answers.
  explicit FakeDialogView(WindowHandle handle, bool unsetEnabled = true)
      : menu_(unsetEnabled), handle_(handle), unsetEnabled_(unsetEnabled) {}

  // A drop-down list's entries and selection at once.
  void SetList(int id, std::vector<std::string> entries, int selection) {
    combos_[id] = std::move(entries);
    selections_[id] = selection;
  }

  WindowHandle Handle() const override { return handle_; }
  void EnableControl(int id, bool enabled) override { enabled_[id] = enabled; }
  bool IsControlEnabled(int id) const override {
    auto it = enabled_.find(id);
    return it == enabled_.end() ? unsetEnabled_ : it->second;
  }
  void SetControlText(int id, const std::string& text) override { texts_[id] = text; }
  std::string GetControlText(int id, std::size_t maxChars) const override {
    auto it = texts_.find(id);
    const std::string text = it == texts_.end() ? "" : it->second;
    return maxChars == 0 ? "" : text.substr(0, maxChars - 1);
  }
  void SetCheck(int id, bool checked) override { checks_[id] = checked; }
  bool IsChecked(int id) const override {
    auto it = checks_.find(id);
    return it != checks_.end() && it->second;
  }

  void ComboInsert(int id, int position, const std::string& text) override {
    auto& entries = combos_[id];
    if (position < 0 || position > static_cast<int>(entries.size())) position = static_cast<int>(entries.size());
    entries.insert(entries.begin() + position, text);
  }
  int ComboCount(int id) const override {
    auto it = combos_.find(id);
    return it == combos_.end() ? 0 : static_cast<int>(it->second.size());
  }
  void ComboSetSelection(int id, int index) override {
    selections_[id] = index >= 0 && index < ComboCount(id) ? index : -1;
  }
  int ComboSelection(int id) const override {
    auto it = selections_.find(id);
    return it == selections_.end() ? -1 : it->second;
  }
  std::string ComboSelectedText(int id) const override {
    const int selection = ComboSelection(id);
    if (selection < 0 || selection >= ComboCount(id)) return {};
    return combos_.at(id)[static_cast<std::size_t>(selection)];
  }

  void Show(bool visible) override { visible_ = visible; }
  bool IsVisible() const override { return visible_; }
  MenuView& OptionsMenu() override { return menu_; }
  void DrawMenuBar() override {}

  std::map<int, bool> enabled_;
  std::map<int, std::string> texts_;
  std::map<int, bool> checks_;
  std::map<int, std::vector<std::string>> combos_;
  std::map<int, int> selections_;
  bool visible_ = true;
  FakeMenu menu_;

 private:
  WindowHandle handle_;
  bool unsetEnabled_;
};

}  // namespace mavrion::test_fakes
