#include "core/settings/RecordingSettings.h"

namespace mavrion {
namespace {

// Entry 0 is "0" (keep the desktop's size), then first, first + step, ...
void FillSizeList(DialogView& view, int id, int first, int step, int sizedEntries) {
  view.ComboInsert(id, 0, "0");
  for (int k = 0; k < sizedEntries; ++k) view.ComboInsert(id, k + 1, std::to_string(first + step * k));
  view.ComboSetSelection(id, 0);
}

// Entry i is i + 1.
void FillCountList(DialogView& view, int id, int count, int initialIndex) {
  for (int i = 0; i < count; ++i) view.ComboInsert(id, i, std::to_string(i + 1));
  view.ComboSetSelection(id, initialIndex);
}

}  // namespace

void FillSettingLists(DialogView& view) {
  FillSizeList(view, kHeightListId, 200, 100, 18);  // up to 1900
  FillSizeList(view, kWidthListId, 200, 50, 36);    // up to 1950
  FillCountList(view, kFrameRateListId, 30, 0);
  FillCountList(view, kQualityListId, 100, 94);
}

}  // namespace mavrion
