#pragma once
// A report list view as the window picker works with it. The Win32 adapter
// answers with LVM_* messages; tests keep the rows in memory.
#include <cstddef>
#include <string>

namespace mavrion {

class ListModel {
 public:
  virtual ~ListModel() = default;

  virtual void InsertColumn(int column, const std::string& heading, int widthPixels) = 0;
  virtual int Count() const = 0;
  // Inserts an unselected row with an empty first column at index row.
  virtual void InsertRow(int row) = 0;
  virtual void SetText(int row, int column, const std::string& text) = 0;
  // At most maxChars - 1 characters, as a buffer of maxChars bytes holds.
  virtual std::string Text(int row, int column, std::size_t maxChars) const = 0;
  // Later rows move up by one, keeping their selection.
  virtual void DeleteRow(int row) = 0;
  // The first selected row after row `after` (-1: from the start); -1 when
  // there is none.
  virtual int NextSelected(int after) const = 0;
};

}  // namespace mavrion
