#pragma once
// The dialog base that gives a dialog one icon in the notification area:
// minimise hides the window and shows the icon, a double click on the icon
// brings the window back, a right click shows the tray menu.
#include <cstdint>
#include <string>

#include "core/ui/TrayShell.h"

namespace mavrion {

// What the shell reports of the mouse on the icon. A request for the
// context menu (by keyboard, say) counts as a right press.
enum class TrayMouseEvent { Move, LeftDown, LeftDoubleClick, RightDown, RightDoubleClick, Other };

// The icon as the recording commands change it.
class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // Shows the icon if it is not shown; true only when the shell took it.
  virtual bool AddTrayIcon() = 0;
  // Hands a new image or tip to the shell while the icon is shown.
  virtual void UpdateTrayIcon() = 0;
  // Takes effect at the next UpdateTrayIcon or AddTrayIcon; an icon that
  // does not load leaves the previous image.
  virtual void SetTrayIconImage(int iconResourceId) = 0;
  virtual MenuView& TrayMenu() = 0;
};

class CTrayDialog : public TrayIcon {
 public:
  explicit CTrayDialog(TrayShell& shell);
  CTrayDialog(const CTrayDialog&) = delete;
  CTrayDialog& operator=(const CTrayDialog&) = delete;

  bool AddTrayIcon() override;
  // Removes the icon if it is shown; true only when the shell removed it.
  bool RemoveTrayIcon();
  void UpdateTrayIcon() override;
  bool IsTrayIconShown() const { return TrayIconShown; }
  void SetTrayIconImage(int iconResourceId) override;
  // At most 127 characters are kept; the record holds 128 bytes.
  void SetTrayTipText(const std::string& text);
  // The default position is accepted and not used: the default item of the
  // popup is always its first item.
  void AttachTrayMenu(int menuResourceId, int defaultPosition);
  MenuView& TrayMenu() override { return shell_.TrayMenu(); }

  const NotifyIconRecord& TrayIconRecord() const { return TrayIconData; }
  int DefaultMenuPosition() const { return TrayMenuDefaultPosition; }

  // Hooks of the tray message handler, given the cursor's screen position.
  virtual void OnTrayLeftDown(int x, int y);
  virtual void OnTrayLeftDoubleClick(int x, int y);
  virtual void OnTrayRightDown(int x, int y);
  virtual void OnTrayRightDoubleClick(int x, int y);
  virtual void OnTrayMouseMove(int x, int y);

  // The window has been created.
  void OnCreate(WindowHandle window);
  // The window is being destroyed: a shown icon is taken away.
  void OnDestroy();
  // The window's Minimise command. Answers true when the command was
  // consumed (minimise into the tray, successful or not); false lets it take
  // its default course.
  bool OnMinimiseCommand();
  // The icon's callback: -1 for another icon id, else 0.
  long OnTrayNotification(std::uintptr_t iconId, TrayMouseEvent event);

 protected:
  // The double-click action, also "Show Application" of the main dialog:
  // shows the window when the icon could be removed.
  void RestoreFromTray();
  TrayShell& Shell() { return shell_; }

 private:
  TrayShell& shell_;
  bool TrayIconShown = false;
  NotifyIconRecord TrayIconData;
  int TrayMenuDefaultPosition = 0;
  bool HideToTrayOnMinimise = true;
};

}  // namespace mavrion
