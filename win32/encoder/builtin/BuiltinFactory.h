#pragma once
// The program's own screen encoder over the Win32 platform, made where the
// installed encoder component's classes are not registered.
#include <memory>

#include "core/encoder/EncoderComponent.h"

namespace mavrion::win32 {

// Objects made by the factory keep its platform alive: they may outlive it.
std::unique_ptr<encoder::ComponentFactory> MakeBuiltinComponentFactory();

}  // namespace mavrion::win32
