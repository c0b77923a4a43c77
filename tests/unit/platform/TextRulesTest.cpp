#include "core/platform/TextRules.h"

#include <gtest/gtest.h>

namespace mavrion {
namespace {

TEST(TextRulesTest, TextToIntFollowsTheStandardConversion) {
  EXPECT_EQ(TextToInt("45"), 45);
  EXPECT_EQ(TextToInt("  -12abc"), -12);
  EXPECT_EQ(TextToInt("+7"), 7);
  EXPECT_EQ(TextToInt("00"), 0);
  EXPECT_EQ(TextToInt("x"), 0);
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("-"), 0);
  EXPECT_EQ(TextToInt("\t\n 3 4"), 3);
  EXPECT_EQ(TextToInt("99999999999"), 2147483647);
  EXPECT_EQ(TextToInt("-99999999999"), -2147483647 - 1);
}

TEST(TextRulesTest, ApplicationNameIsTheFileNameWithoutExtension) {
  EXPECT_EQ(ApplicationNameFromPath("C:\\Program Files\\Mavrion\\Mavrion.exe"), "Mavrion");
  EXPECT_EQ(ApplicationNameFromPath("C:\\dir.v2\\Rec"), "Rec");
  EXPECT_EQ(ApplicationNameFromPath("a.b.exe"), "a.b");
}

}  // namespace
}  // namespace mavrion
