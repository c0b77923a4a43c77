#pragma once
// The failure codes the built-in encoder answers, those of the installed
// component where it has one for the case.
#include "core/platform/Types.h"

namespace mavrion::encoder::builtin {

// A call that needs a stopped encoder came while it records.
inline constexpr HResult kNS_E_INVALIDCALL_WHILE_ENCODER_RUNNING = static_cast<HResult>(0xC00D1B66u);
// A call that needs a recording came while none runs.
inline constexpr HResult kNS_E_INVALIDCALL_WHILE_ENCODER_STOPPED = static_cast<HResult>(0xC00D1B7Fu);
// Something the call needs has not been given yet (Start before
// PrepareToEncode, no video source, no profile, no output name).
inline constexpr HResult kE_UNEXPECTED = static_cast<HResult>(0x8000FFFFu);
// The output file's folder does not exist.
inline constexpr HResult kPathNotFound = static_cast<HResult>(0x80070003u);

}  // namespace mavrion::encoder::builtin
