#pragma once
// A report list view of a dialog, through the LVM_* messages.
#include <windows.h>

#include "core/capture/ListModel.h"

namespace mavrion {

class Win32ListModel : public ListModel {
 public:
  Win32ListModel() = default;
  Win32ListModel(const Win32ListModel&) = delete;
  Win32ListModel& operator=(const Win32ListModel&) = delete;

  // The list view of the dialog's current window; a new one at every opening.
  void Attach(HWND listView) { list_ = listView; }
  HWND Handle() const { return list_; }

  void InsertColumn(int column, const std::string& heading, int widthPixels) override;
  int Count() const override;
  void InsertRow(int row) override;
  void SetText(int row, int column, const std::string& text) override;
  std::string Text(int row, int column, std::size_t maxChars) const override;
  void DeleteRow(int row) override;
  int NextSelected(int after) const override;

 private:
  HWND list_ = nullptr;
};

}  // namespace mavrion
