#pragma once
// The recording settings the main dialog holds. The four list settings live
// in the drop-down lists' selections (index, -1 for none); the others are the
// dialog's stored values, which its data exchange shows and reads back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/platform/DialogView.h"
#include "resources/resource.h"

namespace mavrion {

// Drop-down lists of the main dialog.
inline constexpr int kHeightListId = IDC_HEIGHT_LIST;
inline constexpr int kWidthListId = IDC_WIDTH_LIST;
inline constexpr int kFrameRateListId = IDC_FRAME_RATE_LIST;
inline constexpr int kQualityListId = IDC_QUALITY_LIST;

// Audio mode codes (radios IDC_AUDIO_AND_VIDEO and IDC_ONLY_VIDEO); -1 while neither is checked.
inline constexpr std::int32_t kAudioAndVideo = 0;
inline constexpr std::int32_t kVideoOnly = 1;

// The encoder profile's content type each audio mode records with.
inline constexpr std::int32_t kContentVideoOnly = 16;
inline constexpr std::int32_t kContentAudioAndVideo = 17;

// The name buffer a Start hands to the encoder session holds 256 bytes.
inline constexpr std::size_t kMaxOutputFileNameChars = 255;

struct RecordingSettings {
  std::string OutputFileName;             // edit IDC_OUTPUT_FILE, full path of the video file
  std::int32_t AudioMode = -1;            // the audio radio group
  std::int32_t FlashRecordingArea = 0;    // check box IDC_FLASH_AREA, 0 or 1
};

// Fills the height, width, frame-rate and quality lists, each entry at an
// explicit position so that the lists' sorted style does not reorder them,
// and selects their initial entries ("0", "0", "1", "95").
void FillSettingLists(DialogView& view);

}  // namespace mavrion
