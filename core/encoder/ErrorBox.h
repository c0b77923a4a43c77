#pragma once
// The encoder session's failure boxes: no owner window, caption "Error",
// the error icon and an OK button.
#include <string>

#include "core/encoder/Ref.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Types.h"

namespace mavrion::encoder {

class ErrorBox {
 public:
  explicit ErrorBox(MessageBoxes& boxes) : boxes_(boxes) {}
  // Shows text and answers result, so a failing step reads as one return.
  HResult operator()(const std::string& text, HResult result) const {
    boxes_.Show(0, text, "Error", mb::kOk | mb::kIconError);
    return result;
  }

 private:
  MessageBoxes& boxes_;
};

// A call that claims success but hands back no object has still failed.
template <class T>
HResult Obtained(HResult hr, const Ref<T>& object) {
  if (Failed(hr)) return hr;
  return object ? hr : kE_POINTER;
}

}  // namespace mavrion::encoder
