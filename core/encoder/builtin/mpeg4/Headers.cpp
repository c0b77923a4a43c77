#include "core/encoder/builtin/mpeg4/Headers.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Simple Profile levels by picture area; larger pictures than the profile's
// top level get that level, which decoders take as a label only.
std::uint8_t ProfileLevel(int width, int height) {
  const long area = static_cast<long>(width) * height;
  if (area <= 176L * 144) return 0x01;
  if (area <= 352L * 288) return 0x03;
  if (area <= 720L * 576) return 0x05;
  return 0x06;
}

}  // namespace

std::vector<std::uint8_t> SequenceHeaders(int width, int height) {
  std::vector<std::uint8_t> out;
  BitWriter bits(&out);
  bits.StartCode(0xB0);  // visual object sequence
  bits.Put(ProfileLevel(width, height), 8);
  bits.StartCode(0xB5);  // visual object
  bits.Put(0, 1);        // no identifier
  bits.Put(1, 4);        // video
  // Video signal type: component video, studio range (16-235), whose
  // primaries and matrix are those of BT.601.
  bits.Put(1, 1);
  bits.Put(5, 3);  // unspecified format
  bits.Put(0, 1);  // not full range
  bits.Put(1, 1);  // colour description follows
  bits.Put(6, 8);  // colour primaries: SMPTE 170M
  bits.Put(6, 8);  // transfer characteristics
  bits.Put(6, 8);  // matrix coefficients
  bits.Stuff();
  bits.StartCode(0x00);  // video object 0
  bits.StartCode(0x20);  // video object layer 0
  bits.Put(0, 1);        // not only random-access planes
  bits.Put(1, 8);        // simple object type
  bits.Put(0, 1);        // no layer identifier
  bits.Put(1, 4);        // square pixels
  bits.Put(1, 1);        // control parameters follow
  bits.Put(1, 2);        // 4:2:0
  bits.Put(1, 1);        // low delay: no B planes
  bits.Put(0, 1);        // no buffer parameters here: the file states them
  bits.Put(0, 2);        // rectangular shape
  bits.Marker();
  bits.Put(kTimeResolution, 16);
  bits.Marker();
  bits.Put(0, 1);  // no fixed plane rate: frames may be left out
  bits.Marker();
  bits.Put(static_cast<std::uint32_t>(width), 13);
  bits.Marker();
  bits.Put(static_cast<std::uint32_t>(height), 13);
  bits.Marker();
  bits.Put(0, 1);  // progressive
  bits.Put(1, 1);  // no overlapped motion compensation
  bits.Put(0, 1);  // no sprites
  bits.Put(0, 1);  // 8 bits per sample
  bits.Put(0, 1);  // H.263 quantisation
  bits.Put(1, 1);  // no complexity estimation
  bits.Put(1, 1);  // no resync markers
  bits.Put(0, 1);  // no data partitioning
  bits.Put(0, 1);  // no scalability
  bits.Stuff();
  return out;
}

void WritePlaneHeader(const PlaneHeader& h, BitWriter* bits) {
  bits->StartCode(0xB6);
  bits->Put(static_cast<std::uint32_t>(h.type), 2);
  const std::int64_t second = h.timeMs / 1000;
  for (std::int64_t s = h.previousSecond; s < second; ++s) bits->Put(1, 1);
  bits->Put(0, 1);
  bits->Marker();
  bits->Put(static_cast<std::uint32_t>(h.timeMs % 1000), kTimeIncrementBits);
  bits->Marker();
  bits->Put(h.coded ? 1 : 0, 1);
  if (!h.coded) {
    bits->Stuff();
    return;
  }
  if (h.type == PlaneType::kPredicted) bits->Put(0, 1);  // rounding type 0
  bits->Put(0, 3);  // intra DC always with its own code
  bits->Put(static_cast<std::uint32_t>(h.quantiser), 5);
  if (h.type == PlaneType::kPredicted) bits->Put(static_cast<std::uint32_t>(h.forwardFCode), 3);
}

}  // namespace mavrion::encoder::builtin::mpeg4
