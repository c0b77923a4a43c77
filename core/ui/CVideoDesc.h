#pragma once
// The video description dialog (template IDD_VIDEO_DESC) and the four texts it keeps
// between openings: OK takes the edited texts, Cancel keeps the previous ones.
#include <cstddef>

#include "core/encoder/VideoMetadata.h"
#include "core/platform/DialogView.h"
#include "resources/resource.h"

namespace mavrion {

namespace video_desc {
inline constexpr int kAuthorEdit = IDC_AUTHOR;
inline constexpr int kTitleEdit = IDC_TITLE;
inline constexpr int kCopyrightEdit = IDC_COPYRIGHT;
inline constexpr int kDescriptionEdit = IDC_DESCRIPTION;
// Edits hold at most this many characters; the texts are read whole.
inline constexpr std::size_t kEditBufferChars = 65536;
}  // namespace video_desc

class CVideoDesc {
 public:
  CVideoDesc() = default;
  CVideoDesc(const CVideoDesc&) = delete;
  CVideoDesc& operator=(const CVideoDesc&) = delete;

  // The texts last confirmed with OK; empty until then.
  const VideoMetadata& Texts() const { return texts_; }

  // The dialog's initialisation: the texts go into the four edits.
  void OnInitDialog(DialogView& view);
  // OK (also Enter in any field): the edits' texts become the texts.
  // Answers the dialog's result, OK 1.
  int OnOK(const DialogView& view);
  // Cancel, Escape or the close button: the texts stay. Answers Cancel 2.
  int OnCancel();

 private:
  void RefreshControls(DialogView& view) const;
  void ReadControls(const DialogView& view);

  VideoMetadata texts_;
};

}  // namespace mavrion
