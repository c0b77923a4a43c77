#pragma once
// Tells the screen-capture source which area to record, through named
// properties of its property bag. Refused writes are not reported.
#include <cstdint>

#include "core/capture/CaptureRequest.h"
#include "core/encoder/EncoderComponent.h"
#include "core/encoder/EncoderSession.h"

namespace mavrion::encoder {

// "Screen" false, "Left", "Right", "Top", "Bottom", then "FlashRect" true
// when flashRect is non-zero.
void WriteCaptureRectProperties(PropertyBag& bag, const CaptureRect& rect, std::int32_t flashRect);

// "FlashRect" true when flashRect is non-zero; nothing otherwise.
void WriteFlashProperty(PropertyBag& bag, std::int32_t flashRect);

// The writes the request's capture type asks for; unknown types write
// nothing. False, with nothing written, when the applications being
// followed have no rectangle to record.
bool WriteCaptureAreaProperties(PropertyBag& bag, const SessionCapture& capture);

}  // namespace mavrion::encoder
