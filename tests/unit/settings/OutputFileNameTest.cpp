#include "core/settings/OutputFileName.h"

#include <gtest/gtest.h>

#include "SettingsFakes.h"

namespace mavrion {
namespace {

constexpr LocalTime kNow{2026, 3, 7, 14, 5, 9};
const std::string kExeDir = "C:\\Programs\\Mavrion";

TEST(OutputFileNameTest, DefaultNameIsTheDirectoryAndTheLocalTime) {
  EXPECT_EQ(ComposeDefaultOutputName("", kExeDir, kNow), "C:\\Programs\\Mavrion\\20260307140509.wmv");
  EXPECT_EQ(ComposeDefaultOutputName("D:\\Videos", kExeDir, {2026, 1, 2, 0, 4, 5}), "D:\\Videos\\20260102000405.wmv");
  EXPECT_EQ(ComposeDefaultOutputName("D:\\Videos", kExeDir, {2026, 11, 30, 23, 59, 59}),
            "D:\\Videos\\20261130235959.wmv");
  // Fewer than three characters: the executable's directory.
  EXPECT_EQ(ComposeDefaultOutputName("D:", kExeDir, kNow), "C:\\Programs\\Mavrion\\20260307140509.wmv");
  EXPECT_EQ(ComposeDefaultOutputName("ab", kExeDir, kNow), "C:\\Programs\\Mavrion\\20260307140509.wmv");
  EXPECT_EQ(ComposeDefaultOutputName("abc", kExeDir, kNow), "abc\\20260307140509.wmv");
  // The separator is inserted also after a root.
  EXPECT_EQ(ComposeDefaultOutputName("C:\\", kExeDir, kNow), "C:\\\\20260307140509.wmv");
  EXPECT_EQ(ComposeDefaultOutputName("", "C:\\", kNow), "C:\\\\20260307140509.wmv");
}

TEST(OutputFileNameTest, DefaultNameNeverPassesTheNameBuffer) {
  std::string longest(231, 'd');
  EXPECT_EQ(ComposeDefaultOutputName(longest, kExeDir, kNow), longest + "\\20260307140509.wmv");
  EXPECT_EQ(ComposeDefaultOutputName(longest + "d", kExeDir, kNow), kExeDir + "\\20260307140509.wmv");
  EXPECT_EQ(ComposeDefaultOutputName(std::string(259, 'd'), kExeDir, kNow), kExeDir + "\\20260307140509.wmv");

  // An executable directory of 236 characters just fits 255; one more does
  // not, and no name is proposed.
  std::string exeDir(236, 'e');
  EXPECT_EQ(ComposeDefaultOutputName("", exeDir, kNow).size(), 255u);
  EXPECT_EQ(ComposeDefaultOutputName("", exeDir + "e", kNow), "");
  EXPECT_EQ(ComposeDefaultOutputName(std::string(300, 'd'), exeDir + "e", kNow), "");
  EXPECT_EQ(ComposeDefaultOutputName("", "", kNow), "");
}

TEST(OutputFileNameTest, WmvExtensionRule) {
  settings_fakes::SingleByteCodePage ansi;
  struct Case {
    const char* chosen;
    const char* kept;
  };
  for (Case c : {
           Case{"D:\\clips\\take", "D:\\clips\\take.wmv"},
           Case{"D:\\clips\\take.wmv", "D:\\clips\\take.wmv"},
           Case{"D:\\clips\\take.WMV", "D:\\clips\\take.WMV"},
           Case{"D:\\clips\\take.Wmv", "D:\\clips\\take.Wmv.wmv"},  // case-sensitive
           Case{"D:\\clips\\take.wmv.old", "D:\\clips\\take.wmv.old"},  // not tied to the end
           Case{"D:\\x.wmv\\take", "D:\\x.wmv\\take"},
           Case{"D:\\clips\\take.avi", "D:\\clips\\take.avi.wmv"},
           Case{".wmv", ".wmv.wmv"},  // position 0 does not count
           Case{".WMV", ".WMV.wmv"},
           Case{"a.wmv", "a.wmv"},
       }) {
    EXPECT_EQ(ApplyWmvExtension(c.chosen, ansi), c.kept) << c.chosen;
  }
}

TEST(OutputFileNameTest, WmvExtensionRuleWalksCharacters) {
  settings_fakes::CodePage932 dbcs;
  settings_fakes::SingleByteCodePage ansi;
  // The '.' after lead byte 0x81 is that character's trail byte.
  EXPECT_EQ(ApplyWmvExtension("D:\\ab\x81.wmv", dbcs), "D:\\ab\x81.wmv.wmv");
  EXPECT_EQ(ApplyWmvExtension("D:\\ab\x81.WMV", dbcs), "D:\\ab\x81.WMV.wmv");
  EXPECT_EQ(ApplyWmvExtension("D:\\ab\x81.wmv", ansi), "D:\\ab\x81.wmv");
  EXPECT_EQ(ApplyWmvExtension("D:\\\x95\x5C.wmv", dbcs), "D:\\\x95\x5C.wmv");
  EXPECT_EQ(ApplyWmvExtension("\x81\x40.wmv", dbcs), "\x81\x40.wmv");
}

class OutputFileBrowseTest : public ::testing::Test {
 protected:
  settings_fakes::FakeDialogView view;
  settings_fakes::FakeExchange exchange;
  settings_fakes::FakeSaveAs saveAs;
  settings_fakes::FakeBoxes boxes;
  settings_fakes::SingleByteCodePage codePage;
  RecordingSettings settings{"C:\\Programs\\Mavrion\\20260307140509.wmv", kAudioAndVideo, 0};

  bool Browse() { return OnBrowseOutputFile(settings, {view, exchange, saveAs, boxes, codePage, "Mavrion"}); }
  void ExpectRefusedKeepingTheName() {
    EXPECT_EQ(settings.OutputFileName, "C:\\Programs\\Mavrion\\20260307140509.wmv");
    EXPECT_EQ(exchange.refreshes, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].owner, view.Handle());
    EXPECT_EQ(boxes.shown[0].caption, "Mavrion");
    EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconWarning);
    EXPECT_EQ(boxes.shown[0].text, kOutputNameTooLongMessage);
  }
};

TEST_F(OutputFileBrowseTest, OpensTheSaveAsDialogAsTheMainDialogsChild) {
  Browse();
  ASSERT_EQ(saveAs.requests.size(), 1u);
  const SaveAsRequest& request = saveAs.requests[0];
  EXPECT_EQ(request.owner, view.Handle());
  EXPECT_EQ(request.filter, "Media File (*.wmv;)|*.wmv||");
  EXPECT_EQ(request.defaultExtension, "");
  EXPECT_EQ(request.initialName, "");
  EXPECT_TRUE(request.explorerStyle);
  EXPECT_TRUE(request.hideReadOnly);
  EXPECT_TRUE(request.overwritePrompt);
}

TEST_F(OutputFileBrowseTest, CancelChangesNothing) {
  saveAs.result = SaveAsResult::Cancelled;
  EXPECT_FALSE(Browse());
  EXPECT_EQ(settings.OutputFileName, "C:\\Programs\\Mavrion\\20260307140509.wmv");
  EXPECT_EQ(exchange.refreshes, 0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OutputFileBrowseTest, TheChosenNameWithItsExtensionIsShown) {
  saveAs.result = SaveAsResult::Chosen;
  saveAs.name = "D:\\clips\\demo";
  EXPECT_TRUE(Browse());
  EXPECT_EQ(settings.OutputFileName, "D:\\clips\\demo.wmv");
  EXPECT_EQ(exchange.refreshes, 1);
  EXPECT_TRUE(boxes.shown.empty());

  saveAs.name = "D:\\clips\\demo.WMV";
  Browse();
  EXPECT_EQ(settings.OutputFileName, "D:\\clips\\demo.WMV");
  EXPECT_EQ(settings.AudioMode, kAudioAndVideo);
}

TEST_F(OutputFileBrowseTest, NamesUpTo255CharactersAreTaken) {
  saveAs.result = SaveAsResult::Chosen;
  saveAs.name = "D:\\" + std::string(248, 'n');  // 251, then 255 with ".wmv"
  Browse();
  EXPECT_EQ(settings.OutputFileName.size(), 255u);
  saveAs.name = "D:\\" + std::string(248, 'n') + ".wmv";
  Browse();
  EXPECT_EQ(settings.OutputFileName, saveAs.name);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OutputFileBrowseTest, ANameLongerThan255CharactersIsRefused) {
  saveAs.result = SaveAsResult::Chosen;
  saveAs.name = "D:\\" + std::string(249, 'n') + ".wmv";  // 256
  EXPECT_FALSE(Browse());
  ExpectRefusedKeepingTheName();
}

TEST_F(OutputFileBrowseTest, ANameThatPasses255WithItsExtensionIsRefused) {
  saveAs.result = SaveAsResult::Chosen;
  saveAs.name = "D:\\" + std::string(249, 'n');  // 252, 256 with ".wmv"
  Browse();
  ExpectRefusedKeepingTheName();
}

TEST_F(OutputFileBrowseTest, ANameTooLongForTheDialogIsRefused) {
  saveAs.result = SaveAsResult::NameTooLong;
  EXPECT_FALSE(Browse());
  ExpectRefusedKeepingTheName();
}

// A second recording in one run must not write over the first one.
TEST(RecordedOutputNamesTest, ANameRecordedInThisRunIsRenewedUnlessChosenAgain) {
  settings_fakes::SingleByteCodePage ansi;
  const std::string first = "D:\\clips\\20260307140509.wmv";
  const LocalTime later{2026, 3, 7, 14, 6, 30};
  RecordedOutputNames names;

  // Nothing recorded yet: the name is used as it is.
  EXPECT_EQ(names.NameForNextRecording(first, kExeDir, later, ansi), first);

  // Recorded once: a fresh time-stamped name in the same folder, also when
  // the recorded name differs only in case.
  names.NoteRecorded(first);
  EXPECT_EQ(names.NameForNextRecording(first, kExeDir, later, ansi), "D:\\clips\\20260307140630.wmv");
  EXPECT_EQ(names.NameForNextRecording("d:\\CLIPS\\20260307140509.WMV", kExeDir, later, ansi),
            "d:\\CLIPS\\20260307140630.wmv");
  // Another name is not touched.
  EXPECT_EQ(names.NameForNextRecording("D:\\clips\\other.wmv", kExeDir, later, ansi), "D:\\clips\\other.wmv");
  // A name without a folder gets the executable's one.
  names.NoteRecorded("take.wmv");
  EXPECT_EQ(names.NameForNextRecording("take.wmv", kExeDir, later, ansi), kExeDir + "\\20260307140630.wmv");

  // Within the same second as a recorded name: numbered, never the same.
  const LocalTime sameSecond{2026, 3, 7, 14, 5, 9};
  EXPECT_EQ(names.NameForNextRecording(first, kExeDir, sameSecond, ansi), "D:\\clips\\20260307140509-2.wmv");
  names.NoteRecorded("D:\\clips\\20260307140509-2.wmv");
  EXPECT_EQ(names.NameForNextRecording(first, kExeDir, sameSecond, ansi), "D:\\clips\\20260307140509-3.wmv");

  // Chosen again with "..." (the Save-As dialog asked about overwriting):
  // used as chosen, for the next recording only.
  names.NoteChosen();
  EXPECT_EQ(names.NameForNextRecording(first, kExeDir, later, ansi), first);
  names.NoteRecorded(first);
  EXPECT_EQ(names.NameForNextRecording(first, kExeDir, later, ansi), "D:\\clips\\20260307140630.wmv");

  // The renewed name always fits the encoder's name buffer.
  const std::string deep = "D:\\" + std::string(230, 'f') + "\\20260307140509.wmv";
  ASSERT_LE(deep.size(), kMaxOutputFileNameChars);
  names.NoteRecorded(deep);
  std::string renewed = names.NameForNextRecording(deep, kExeDir, sameSecond, ansi);
  EXPECT_NE(renewed, deep);
  EXPECT_LE(renewed.size(), kMaxOutputFileNameChars);
  EXPECT_EQ(renewed, "D:\\" + std::string(230, 'f') + "\\20260307140509-2.wmv");
  // A folder too long for a time-stamped name: no name, so Start asks for
  // one rather than writing over the recording or somewhere else.
  const std::string deeper = "D:\\" + std::string(240, 'f') + "\\a.wmv";
  names.NoteRecorded(deeper);
  EXPECT_EQ(names.NameForNextRecording(deeper, kExeDir, later, ansi), "");
}

}  // namespace
}  // namespace mavrion
