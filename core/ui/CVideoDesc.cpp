#include "core/ui/CVideoDesc.h"

namespace mavrion {

void CVideoDesc::OnInitDialog(DialogView& view) { RefreshControls(view); }

int CVideoDesc::OnOK(const DialogView& view) {
  ReadControls(view);
  return 1;
}

int CVideoDesc::OnCancel() { return 2; }

void CVideoDesc::RefreshControls(DialogView& view) const {
  view.SetControlText(video_desc::kAuthorEdit, texts_.Author);
  view.SetControlText(video_desc::kTitleEdit, texts_.Title);
  view.SetControlText(video_desc::kCopyrightEdit, texts_.Copyright);
  view.SetControlText(video_desc::kDescriptionEdit, texts_.Description);
}

void CVideoDesc::ReadControls(const DialogView& view) {
  texts_.Author = view.GetControlText(video_desc::kAuthorEdit, video_desc::kEditBufferChars);
  texts_.Title = view.GetControlText(video_desc::kTitleEdit, video_desc::kEditBufferChars);
  texts_.Copyright = view.GetControlText(video_desc::kCopyrightEdit, video_desc::kEditBufferChars);
  texts_.Description = view.GetControlText(video_desc::kDescriptionEdit, video_desc::kEditBufferChars);
}

}  // namespace mavrion
