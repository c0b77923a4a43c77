#include "win32/ui/VideoDescDialog.h"

#include "resources/resource.h"

namespace mavrion {

VideoDescDialog::VideoDescDialog(CVideoDesc& description, HWND owner)
    : Dialog(IDD_VIDEO_DESC, owner), description_(description), view_(*this) {}

bool VideoDescDialog::OnInitDialog() {
  description_.OnInitDialog(view_);
  return true;
}

bool VideoDescDialog::OnOK() {
  EndDialog(description_.OnOK(view_));
  return true;
}

bool VideoDescDialog::OnCancel() {
  EndDialog(description_.OnCancel());
  return true;
}

}  // namespace mavrion
