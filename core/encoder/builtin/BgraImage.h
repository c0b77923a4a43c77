#pragma once
// A captured picture as the encoders take it.
#include <cstddef>
#include <cstdint>

namespace mavrion::encoder::builtin {

// 32-bit pixels, blue in the lowest byte, alpha ignored. pixels points at
// the top row; a negative stride walks a bottom-up buffer.
struct BgraImage {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t strideBytes = 0;
};

}  // namespace mavrion::encoder::builtin
