#include "core/ui/CVideoDesc.h"

#include <gtest/gtest.h>

#include "tests/unit/app/MainDialogFakes.h"

namespace mavrion {
namespace {

constexpr int kAuthor = 1050;
constexpr int kTitle = 1001;
constexpr int kCopyright = 1002;
constexpr int kDescription = 1003;

class VideoDescTest : public ::testing::Test {
 protected:
  // One opening: a fresh window whose edits the user changes, then OK or Cancel.
  int Open(const std::map<int, std::string>& typed, bool ok) {
    app_fakes::View window(log);
    description.OnInitDialog(window);
    shown = window.texts_;
    for (const auto& [id, text] : typed) window.texts_[id] = text;
    return ok ? description.OnOK(window) : description.OnCancel();
  }

  app_fakes::Log log;
  CVideoDesc description;
  std::map<int, std::string> shown;
};

TEST_F(VideoDescTest, OkKeepsTheTextsForTheNextOpening) {
  EXPECT_EQ(Open({{kAuthor, "Ann Author"}, {kTitle, "A Title"}}, true), 1);
  EXPECT_EQ(description.Texts().Author, "Ann Author");
  EXPECT_EQ(description.Texts().Title, "A Title");
  EXPECT_EQ(description.Texts().Copyright, "");

  const std::string longDescription(500, 'd');  // kept whole here
  Open({{kCopyright, "(c) 2024"}, {kDescription, longDescription + "\r\nsecond line"}}, true);
  EXPECT_EQ(shown[kAuthor], "Ann Author");
  EXPECT_EQ(shown[kTitle], "A Title");
  EXPECT_EQ(description.Texts().Author, "Ann Author");
  EXPECT_EQ(description.Texts().Copyright, "(c) 2024");
  EXPECT_EQ(description.Texts().Description, longDescription + "\r\nsecond line");
}

TEST_F(VideoDescTest, CancelKeepsThePreviousTexts) {
  EXPECT_EQ(Open({}, true), 1);
  EXPECT_EQ(description.Texts().Title, "");
  Open({{kTitle, "First"}}, true);
  EXPECT_EQ(Open({{kTitle, "Second"}, {kAuthor, "Someone"}}, false), 2);
  EXPECT_EQ(description.Texts().Title, "First");
  EXPECT_EQ(description.Texts().Author, "");
  Open({}, false);
  EXPECT_EQ(shown[kTitle], "First");
  EXPECT_EQ(shown[kAuthor], "");
}

}  // namespace
}  // namespace mavrion
