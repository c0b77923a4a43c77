#pragma once
// Writes a bitstream most significant bit first, as MPEG-4 video is read.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mavrion::encoder::builtin::mpeg4 {

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>* out) : out_(out) {}

  // The low `count` bits of value, count 0..32.
  void Put(std::uint32_t value, int count) {
    if (count == 0) return;
    const std::uint64_t mask = (std::uint64_t{1} << count) - 1;
    acc_ = (acc_ << count) | (value & mask);
    used_ += count;
    while (used_ >= 8) {
      used_ -= 8;
      out_->push_back(static_cast<std::uint8_t>(acc_ >> used_));
    }
  }
  void Marker() { Put(1, 1); }
  // A zero bit and then ones up to the next byte boundary: what stands
  // before every start code.
  void Stuff() {
    Put(0, 1);
    while (used_ != 0) Put(1, 1);
  }
  void StartCode(std::uint8_t code) {
    Put(0x000001, 24);
    Put(code, 8);
  }
  std::size_t BitCount() const { return out_->size() * 8 + static_cast<std::size_t>(used_); }

 private:
  std::vector<std::uint8_t>* out_;
  std::uint64_t acc_ = 0;  // only the low used_ bits are pending
  int used_ = 0;
};

}  // namespace mavrion::encoder::builtin::mpeg4
