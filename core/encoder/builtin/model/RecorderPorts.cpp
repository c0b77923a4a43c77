#include "core/encoder/builtin/model/RecorderPorts.h"

#include "core/encoder/builtin/Windows1252.h"

namespace mavrion::encoder::builtin {

std::u16string Windows1252Converter::ToUtf16(const std::string& ansi) { return Windows1252ToUtf16(ansi); }

}  // namespace mavrion::encoder::builtin
