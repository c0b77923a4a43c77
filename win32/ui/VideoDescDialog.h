#pragma once
// The video description dialog (template IDD_VIDEO_DESC) over the texts the main
// dialog keeps in its CVideoDesc.
#include <windows.h>

#include "core/ui/CVideoDesc.h"
#include "win32/framework/Dialog.h"
#include "win32/framework/Win32DialogView.h"

namespace mavrion {

class VideoDescDialog final : public framework::Dialog {
 public:
  VideoDescDialog(CVideoDesc& description, HWND owner);

 protected:
  bool OnInitDialog() override;
  bool OnOK() override;
  bool OnCancel() override;

 private:
  CVideoDesc& description_;
  framework::Win32DialogView view_;
};

}  // namespace mavrion
