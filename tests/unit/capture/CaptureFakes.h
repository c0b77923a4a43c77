#pragma once
// In-memory stand-ins for the platform, shared by the capture tests.
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/capture/CaptureSelection.h"
#include "core/capture/Finder.h"
#include "core/capture/ListModel.h"
#include "core/capture/WindowInspector.h"
#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "tests/unit/platform/FakeDialogView.h"

namespace mavrion::testing {

// A desktop of made-up windows. Handle 1 is the desktop window.
class FakeWindows : public WindowInspector {
 public:
  struct Window {
    ScreenRect rect;
    std::string title;
    bool visible = true;
    std::uint32_t process = 0;
    WindowHandle parent = 0;
  };
  static constexpr WindowHandle kDesktop = 1;

  FakeWindows() { windows[kDesktop].rect = {0, 0, 1920, 1080}; }

  // A top-level window in enumeration order.
  void AddTopLevel(WindowHandle handle, Window window) {
    windows[handle] = window;
    order.push_back(handle);
  }

  WindowHandle FindTaskbar() override { return taskbar; }
  WindowHandle DesktopWindow() override { return kDesktop; }
  bool GetWindowRect(WindowHandle window, ScreenRect& rect) override {
    auto found = windows.find(window);
    if (found == windows.end()) return false;
    rect = found->second.rect;
    return true;
  }
  bool IsWindow(WindowHandle window) override { return windows.count(window) != 0; }
  std::vector<WindowHandle> TopLevelWindows() override { return order; }
  std::string WindowTitle(WindowHandle window, std::size_t maxChars) override {
    return windows.count(window) ? windows[window].title.substr(0, maxChars - 1) : std::string();
  }
  bool IsWindowVisible(WindowHandle window) override { return windows.count(window) && windows[window].visible; }
  std::uint32_t ProcessId(WindowHandle window) override { return windows.count(window) ? windows[window].process : 0; }
  WindowHandle WindowFromPoint(ScreenPoint) override { return underCursor; }
  WindowHandle Parent(WindowHandle window) override { return windows.count(window) ? windows[window].parent : 0; }

  std::map<WindowHandle, Window> windows;
  std::vector<WindowHandle> order;
  WindowHandle taskbar = 0;
  WindowHandle underCursor = 0;
};

// Controls and menu items never set are disabled; notes which texts are
// written and read.
class FakeDialogView : public test_fakes::FakeDialogView {
 public:
  struct TextRead {
    int id;
    std::size_t maxChars;
  };
  explicit FakeDialogView(WindowHandle handle = 0x500) : test_fakes::FakeDialogView(handle, false) {}

  void SetControlText(int id, const std::string& text) override {
    test_fakes::FakeDialogView::SetControlText(id, text);
    writes.push_back(id);
  }
  std::string GetControlText(int id, std::size_t maxChars) const override {
    reads.push_back({id, maxChars});
    return test_fakes::FakeDialogView::GetControlText(id, maxChars);
  }

  std::vector<int> writes;
  mutable std::vector<TextRead> reads;
};

class FakeBoxes : public MessageBoxes {
 public:
  struct Box {
    WindowHandle owner;
    std::string text;
    std::string caption;
    unsigned style;
  };
  int Show(WindowHandle owner, const std::string& text, const std::string& caption, unsigned style) override {
    shown.push_back({owner, text, caption, style});
    return mb::kIdOk;
  }
  std::vector<Box> shown;
};

class FakeExchange : public DataExchange {
 public:
  void RefreshControls() override { ++refreshes; }
  void ReadControls() override {}
  int refreshes = 0;
};

class FakePicker : public WindowPicker {
 public:
  bool RunModal() override {
    ++openings;
    if (onOpen) onOpen();
    return answerOk;
  }
  const ChosenWindowList& ChosenWindows() const override { return chosen; }

  bool answerOk = true;
  ChosenWindowList chosen{};
  int openings = 0;
  std::function<void()> onOpen;
};

class FakeList : public ListModel {
 public:
  struct ColumnInfo {
    std::string heading;
    int width;
  };
  struct Row {
    std::string cells[4];
    bool selected = false;
  };

  // A row as the picker writes it: number, title, handle, process.
  void AddRow(const std::string& title, const std::string& handle, const std::string& process = "1") {
    Row row;
    row.cells[0] = std::to_string(rows.size() + 1);
    row.cells[1] = title;
    row.cells[2] = handle;
    row.cells[3] = process;
    rows.push_back(row);
  }
  std::vector<std::string> Cells(int column) const {
    std::vector<std::string> cells;
    for (const Row& row : rows) cells.push_back(row.cells[column]);
    return cells;
  }

  void InsertColumn(int column, const std::string& heading, int width) override {
    columns.resize(std::max<std::size_t>(columns.size(), column + 1));
    columns[column] = {heading, width};
  }
  int Count() const override { return static_cast<int>(rows.size()); }
  void InsertRow(int row) override { rows.insert(rows.begin() + row, Row{}); }
  void SetText(int row, int column, const std::string& text) override { rows.at(row).cells[column] = text; }
  std::string Text(int row, int column, std::size_t maxChars) const override {
    return rows.at(row).cells[column].substr(0, maxChars - 1);
  }
  void DeleteRow(int row) override { rows.erase(rows.begin() + row); }
  int NextSelected(int after) const override {
    for (int row = after + 1; row < Count(); ++row)
      if (rows[row].selected) return row;
    return -1;
  }

  std::vector<ColumnInfo> columns;
  std::vector<Row> rows;
};

// Records what the finder does, one line per call.
class FakeSurface : public FinderSurface {
 public:
  ResourceHandle ApplicationModule() override { return 0x400000; }
  ResourceHandle LoadCursorResource(ResourceHandle, int id) override {
    log.push_back("load cursor " + std::to_string(id));
    return cursorLoads ? 0xC000 + id : 0;
  }
  ResourceHandle LoadBitmapResource(ResourceHandle, int id) override {
    log.push_back("load bitmap " + std::to_string(id));
    return 0xB000 + id;
  }
  ResourceHandle CreateRedPen(int width) override {
    log.push_back("pen " + std::to_string(width));
    return 0xEE;
  }
  void ShowPicture(WindowHandle, ResourceHandle bitmap) override {
    log.push_back("picture " + std::to_string(bitmap - 0xB000));
  }
  bool PictureScreenRect(WindowHandle, ScreenRect& rect) override {
    rect = picture;
    return hasPicture;
  }
  void SetField(WindowHandle, int id, std::int32_t value) override {
    fields[id] = value;
    log.push_back("field " + std::to_string(id) + "=" + std::to_string(value));
  }
  void SetCursorPos(ScreenPoint point) override {
    log.push_back("cursor to " + std::to_string(point.x) + "," + std::to_string(point.y));
  }
  ResourceHandle SetCursor(ResourceHandle cursor) override {
    log.push_back("set cursor " + std::to_string(cursor));
    ResourceHandle previous = current;
    current = cursor;
    return previous;
  }
  ScreenPoint CursorPos() override { return {}; }
  void SetCapture(WindowHandle host) override { log.push_back("capture " + std::to_string(host)); }
  void ReleaseCapture() override {
    log.push_back("release capture");
    if (onRelease) onRelease();
  }
  bool DragButtonDown() override { return buttonDown; }
  void StartFollowing(WindowHandle host) override { log.push_back("follow " + std::to_string(host)); }
  void StopFollowing(WindowHandle host) override { log.push_back("stop following " + std::to_string(host)); }
  void DrawOutline(WindowHandle window, ResourceHandle pen, std::int32_t width, std::int32_t height) override {
    log.push_back("outline " + std::to_string(window) + " pen " + std::to_string(pen) + " " + std::to_string(width) +
                  "x" + std::to_string(height));
  }
  void Repaint(WindowHandle window) override { log.push_back("repaint " + std::to_string(window)); }

  std::vector<std::string> log;
  std::map<int, std::int32_t> fields;
  ScreenRect picture{100, 200, 132, 232};
  bool hasPicture = true;
  bool cursorLoads = true;
  bool buttonDown = true;
  ResourceHandle current = 0x1;  // the arrow
  std::function<void()> onRelease;
};

}  // namespace mavrion::testing
