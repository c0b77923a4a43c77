#include "core/encoder/CaptureProperties.h"

namespace mavrion::encoder {
namespace {

// Capture type codes as the request carries them.
constexpr std::int32_t kSpecificApplications = 0;
constexpr std::int32_t kSpecificArea = 1;
constexpr std::int32_t kEntireScreen = 2;
constexpr std::int32_t kEntireScreenWithoutTaskbar = 3;

}  // namespace

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

void WriteCaptureAreaProperties(PropertyBag& bag, const SessionCapture& capture) {
  const CaptureRequest& request = capture.request;
  switch (request.CaptureType) {
    case kSpecificApplications:
      if (capture.computeApplicationsRect) {
        WriteCaptureRectProperties(bag, capture.computeApplicationsRect(request.SelectedWindow),
                                   request.FlashRect);
      }
      break;
    case kSpecificArea:
    case kEntireScreenWithoutTaskbar:
      WriteCaptureRectProperties(bag, request.CaptureRect, request.FlashRect);
      break;
    case kEntireScreen:
      WriteFlashProperty(bag, request.FlashRect);
      break;
    default:
      break;
  }
}

}  // namespace mavrion::encoder
