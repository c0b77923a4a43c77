#include "core/encoder/CaptureProperties.h"

#include <optional>

#include "core/capture/CaptureType.h"

namespace mavrion::encoder {

void WriteCaptureRectProperties(PropertyBag& bag, const CaptureRect& rect, std::int32_t flashRect) {
  bag.Write("Screen", PropertyValue::Bool(false));
  bag.Write("Left", PropertyValue::I4(rect.Left));
  bag.Write("Right", PropertyValue::I4(rect.Right));
  bag.Write("Top", PropertyValue::I4(rect.Top));
  bag.Write("Bottom", PropertyValue::I4(rect.Bottom));
  WriteFlashProperty(bag, flashRect);
}

void WriteFlashProperty(PropertyBag& bag, std::int32_t flashRect) {
  // The property is never written as false: a clear flag leaves the
  // source's own default.
  if (flashRect != 0) bag.Write("FlashRect", PropertyValue::Bool(true));
}

bool WriteCaptureAreaProperties(PropertyBag& bag, const SessionCapture& capture) {
  const CaptureRequest& request = capture.request;
  switch (request.CaptureType) {
    case SpecificApplications: {
      std::optional<CaptureRect> rect;
      if (capture.computeApplicationsRect) rect = capture.computeApplicationsRect(request.SelectedWindow);
      if (!rect) return false;
      WriteCaptureRectProperties(bag, *rect, request.FlashRect);
      return true;
    }
    case SpecificArea:
    case EntireScreenWithoutTaskbar:
      WriteCaptureRectProperties(bag, request.CaptureRect, request.FlashRect);
      return true;
    case EntireScreen:
      WriteFlashProperty(bag, request.FlashRect);
      return true;
    default:  // nothing to write
      return true;
  }
}

}  // namespace mavrion::encoder
