#pragma once
// What the tray dialog base needs of the shell and of its own window: the
// notification icon, icon and menu resources, the popup menu, the cursor.
#include <array>
#include <cstdint>
#include <string>

#include "core/platform/DialogView.h"
#include "core/platform/Types.h"

namespace mavrion {

// A loaded icon's handle value (HICON); 0 is none.
using IconHandle = std::uintptr_t;

// Flags of the icon record (NIF_*) and the record's fixed values.
inline constexpr std::uint32_t kNifMessage = 0x1;
inline constexpr std::uint32_t kNifIcon = 0x2;
inline constexpr std::uint32_t kNifTip = 0x4;
inline constexpr std::uint32_t kTrayIconRecordSize = 508;  // the complete ANSI record, balloon icon included
inline constexpr std::uint32_t kTrayIconId = 1;
inline constexpr std::size_t kTrayTipBytes = 128;

// The fields of the shell's icon record (NOTIFYICONDATAA) the program sets;
// the others stay zero because their flags are never set. The callback
// message that kNifMessage announces is the tray shell's to name.
struct NotifyIconRecord {
  std::uint32_t cbSize = kTrayIconRecordSize;
  WindowHandle hWnd = 0;
  std::uint32_t uID = kTrayIconId;
  std::uint32_t uFlags = kNifMessage;
  IconHandle hIcon = 0;
  std::array<char, kTrayTipBytes> szTip{};
};

enum class NotifyAction : std::uint32_t { Add = 0, Modify = 1, Delete = 2 };  // NIM_ADD, NIM_MODIFY, NIM_DELETE

class TrayShell {
 public:
  virtual ~TrayShell() = default;
  // Shell_NotifyIconA; true on success.
  virtual bool NotifyIcon(NotifyAction action, const NotifyIconRecord& record) = 0;
  // An icon resource at the system's large icon size; 0 when it does not load.
  virtual IconHandle LoadIconResource(int iconResourceId) = 0;
  // Loads a menu resource as the tray menu, in place of an earlier one.
  virtual bool LoadTrayMenu(int menuResourceId) = 0;
  virtual bool HasTrayMenu() const = 0;
  // Popup 0 of the tray menu; a menu without items while none is loaded.
  virtual MenuView& TrayMenu() = 0;
  // Shows popup 0 with its bottom-left corner at (x, y), owned by the
  // window; returns when it has closed (a chosen item arrives as a command).
  virtual void TrackTrayMenu(int x, int y) = 0;
  // Makes the item at that position of popup 0 the default item.
  virtual void SetTrayMenuDefaultItem(int position) = 0;
  virtual void CursorPosition(int& x, int& y) = 0;  // screen coordinates
  virtual void ShowWindow(bool visible) = 0;        // SW_SHOW / SW_HIDE
};

}  // namespace mavrion
