#include "core/recording/ControlLayout.h"

namespace mavrion::recording {

void ApplyControlLayout(DialogView& view, bool idle, std::int32_t captureType) {
  for (const LayoutControl& control : kLayoutControls) {
    if (!idle) {
      view.EnableControl(control.id, control.enabledWhileRecording);
    } else if (control.idle == IdleRule::AreaOnly) {
      if (captureType == SpecificArea) view.EnableControl(control.id, true);
    } else {
      view.EnableControl(control.id, control.idle == IdleRule::Enabled);
    }
  }
  MenuView& menu = view.OptionsMenu();
  for (const LayoutMenuItem& item : kLayoutMenuItems) {
    menu.SetItemEnabled(item.commandId, idle ? item.enabledWhileIdle : item.enabledWhileRecording);
  }
  if (idle) {
    view.SetControlText(kPauseResumeButton, kPauseCaption);
  } else {
    view.DrawMenuBar();
  }
}

}  // namespace mavrion::recording
