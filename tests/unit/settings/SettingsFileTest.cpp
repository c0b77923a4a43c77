#include "core/settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <memory>

#include "SettingsFakes.h"

namespace mavrion {
namespace {

constexpr const char* kIni = "C:\\Programs\\Mavrion\\Mavrion.ini";

class SettingsFileTest : public ::testing::Test {
 protected:
  // One run of the program: its dialog's lists, exchange and held values.
  struct Run {
    settings_fakes::FakeDialogView view;
    settings_fakes::FakeExchange exchange;
    RecordingSettings settings;
  };

  settings_fakes::FakeProfileFiles profile;  // outlives the runs, as the file does
  settings_fakes::FakeExecutable executable;
  settings_fakes::FakeClock clock;
  settings_fakes::SingleByteCodePage codePage;

  SettingsPorts Ports(Run& run) { return {run.view, run.exchange, profile, executable, clock, codePage}; }

  // The dialog's start-up as far as the settings go: the name it proposes
  // first, the lists, the video-only mode, then the file.
  std::unique_ptr<Run> Start() {
    auto run = std::make_unique<Run>();
    run->settings.OutputFileName = "Video Output File.wmv";
    FillSettingLists(run->view);
    run->settings.AudioMode = kVideoOnly;
    LoadSettings(run->settings, Ports(*run));
    return run;
  }
  void Save(Run& run) { OnSaveSettings(run.settings, Ports(run)); }
  void Store(const std::string& key, const std::string& value) {
    profile.WriteString(kSettingsSection, key, value, kIni);
  }
  std::string Stored(const std::string& key) { return profile.GetString(kSettingsSection, key, "<missing>", 1000, kIni); }
};

TEST_F(SettingsFileTest, FirstRunWithoutFileTakesTheDefaultsThroughTheConversion) {
  // The defaults "1" and "95" are not "0", so they select index 1 and 95.
  auto run = Start();
  EXPECT_EQ(run->view.ComboSelection(kFrameRateListId), 1);
  EXPECT_EQ(run->view.ComboSelectedText(kFrameRateListId), "2");
  EXPECT_EQ(run->view.ComboSelection(kQualityListId), 95);
  EXPECT_EQ(run->view.ComboSelectedText(kQualityListId), "96");
  EXPECT_EQ(run->view.ComboSelectedText(kHeightListId), "0");
  EXPECT_EQ(run->view.ComboSelectedText(kWidthListId), "0");
  EXPECT_EQ(run->settings.FlashRecordingArea, 0);
  EXPECT_EQ(run->settings.AudioMode, kVideoOnly);
  EXPECT_EQ(run->settings.OutputFileName, "C:\\Programs\\Mavrion\\20260307140509.wmv");
  EXPECT_EQ(run->exchange.refreshes, 1);
  EXPECT_EQ(clock.reads, 1);
  EXPECT_TRUE(profile.files.empty());  // loading never creates the file
}

TEST_F(SettingsFileTest, ReadsUseTheirBufferSizes) {
  Start();
  EXPECT_EQ(profile.bufferChars[kKeyFilePath], 260u);
  for (const char* key : {kKeyFrameRate, kKeyImageQuality, kKeyHeight, kKeyWidth, kKeyFlash})
    EXPECT_EQ(profile.bufferChars[key], 1000u) << key;
  EXPECT_EQ(profile.bufferChars.count(kKeyRecordingType), 0u);
}

TEST_F(SettingsFileTest, FirstSaveWritesTheSevenKeysInOrder) {
  auto run = Start();
  run->view.ComboSetSelection(kFrameRateListId, 4);
  run->view.ComboSetSelection(kQualityListId, 69);
  run->view.ComboSetSelection(kHeightListId, 5);
  run->view.ComboSetSelection(kWidthListId, 36);
  run->settings.AudioMode = kVideoOnly;
  run->settings.FlashRecordingArea = 1;
  run->settings.OutputFileName = "D:\\Videos\\take.wmv";
  Save(*run);
  EXPECT_EQ(profile.files[kIni],
            "[MavrionPROPERTIES]\r\n"
            "FILE_PATH=D:\\Videos\r\n"
            "VIDEOFRAMERATE=4\r\n"
            "IMAGEQUALITY=69\r\n"
            "RECORDINGTYPE=1\r\n"
            "VIDEO_FLASH=1\r\n"
            "VIDEO_HEIGHT=5\r\n"
            "VIDEO_WIDTH=36\r\n");
  EXPECT_EQ(run->exchange.reads, 1);
  EXPECT_EQ(run->exchange.refreshes, 1);  // the load's only
}

TEST_F(SettingsFileTest, EverySettingComesBackOnTheNextRunExceptTheAudioMode) {
  auto first = Start();
  first->view.ComboSetSelection(kFrameRateListId, 29);
  first->view.ComboSetSelection(kQualityListId, 49);
  first->view.ComboSetSelection(kHeightListId, 18);
  first->view.ComboSetSelection(kWidthListId, 7);
  first->settings.FlashRecordingArea = 1;
  first->settings.OutputFileName = "E:\\Screen casts\\demo.wmv";
  Save(*first);
  EXPECT_EQ(Stored(kKeyRecordingType), "1");

  clock.now = {2026, 12, 31, 23, 59, 58};
  auto second = Start();
  EXPECT_EQ(second->view.ComboSelectedText(kFrameRateListId), "30");
  EXPECT_EQ(second->view.ComboSelectedText(kQualityListId), "50");
  EXPECT_EQ(second->view.ComboSelectedText(kHeightListId), "1900");
  EXPECT_EQ(second->view.ComboSelectedText(kWidthListId), "500");
  EXPECT_EQ(second->settings.FlashRecordingArea, 1);
  EXPECT_EQ(second->settings.OutputFileName, "E:\\Screen casts\\20261231235958.wmv");

  // RECORDINGTYPE is written, but the held mode stays what the dialog set.
  Store(kKeyRecordingType, "0");
  auto third = Start();
  EXPECT_EQ(third->settings.AudioMode, kVideoOnly);
  third->settings.AudioMode = kAudioAndVideo;
  Store(kKeyRecordingType, "1");
  LoadSettings(third->settings, Ports(*third));
  EXPECT_EQ(third->settings.AudioMode, kAudioAndVideo);
}

TEST_F(SettingsFileTest, SaveTakesTheControlsContentsFirst) {
  auto run = Start();
  run->exchange.onRead = [&] {
    run->settings.FlashRecordingArea = 1;
    run->settings.AudioMode = kAudioAndVideo;
    run->settings.OutputFileName = "F:\\out\\x.wmv";
  };
  Save(*run);
  EXPECT_EQ(Stored(kKeyFlash), "1");
  EXPECT_EQ(Stored(kKeyRecordingType), "0");
  EXPECT_EQ(Stored(kKeyFilePath), "F:\\out");
}

TEST_F(SettingsFileTest, AStoredZeroKeepsTheInitialSelection) {
  // Quality 1 and frame rate 1 are stored as "0": quality comes back as 95.
  auto first = Start();
  first->view.ComboSetSelection(kQualityListId, 0);
  first->view.ComboSetSelection(kFrameRateListId, 0);
  Save(*first);
  EXPECT_EQ(Stored(kKeyImageQuality), "0");
  auto second = Start();
  EXPECT_EQ(second->view.ComboSelectedText(kQualityListId), "95");
  EXPECT_EQ(second->view.ComboSelectedText(kFrameRateListId), "1");

  // "00" is not "0": it converts to index 0.
  Store(kKeyImageQuality, "00");
  EXPECT_EQ(Start()->view.ComboSelectedText(kQualityListId), "1");
}

TEST_F(SettingsFileTest, IndexesOutsideAListLeaveItWithoutSelectionAndSaveAsMinusOne) {
  Store(kKeyFrameRate, "45");
  Store(kKeyImageQuality, "100");
  Store(kKeyHeight, "-3");
  Store(kKeyWidth, "37");
  auto run = Start();
  for (int id : {kFrameRateListId, kQualityListId, kHeightListId, kWidthListId}) {
    EXPECT_EQ(run->view.ComboSelection(id), -1) << id;
    EXPECT_EQ(run->view.ComboSelectedText(id), "") << id;
  }
  Save(*run);
  for (const char* key : {kKeyFrameRate, kKeyImageQuality, kKeyHeight, kKeyWidth}) EXPECT_EQ(Stored(key), "-1") << key;

  // The last entries are still inside.
  Store(kKeyFrameRate, "29");
  Store(kKeyImageQuality, "99");
  Store(kKeyHeight, "18");
  Store(kKeyWidth, "36");
  auto next = Start();
  EXPECT_EQ(next->view.ComboSelectedText(kFrameRateListId), "30");
  EXPECT_EQ(next->view.ComboSelectedText(kQualityListId), "100");
  EXPECT_EQ(next->view.ComboSelectedText(kHeightListId), "1900");
  EXPECT_EQ(next->view.ComboSelectedText(kWidthListId), "1950");
}

TEST_F(SettingsFileTest, ValuesThatAreNotNumbersConvertAsTheStandardConversionDoes) {
  struct Case {
    const char* stored;
    int frameRateIndex;
  };
  for (Case c : {Case{"yes", 0}, Case{"x", 0}, Case{"00", 0}, Case{"", 0}, Case{"5abc", 5}, Case{"+7", 7},
                 Case{"99999999999", -1}}) {
    Store(kKeyFrameRate, c.stored);
    EXPECT_EQ(Start()->view.ComboSelection(kFrameRateListId), c.frameRateIndex) << '"' << c.stored << '"';
  }
}

TEST_F(SettingsFileTest, AnyFlashTextButZeroTicksTheBox) {
  for (const char* stored : {"1", "yes", "00", "", "2"}) {
    Store(kKeyFlash, stored);
    EXPECT_EQ(Start()->settings.FlashRecordingArea, 1) << '"' << stored << '"';
  }
  Store(kKeyFlash, "0");
  EXPECT_EQ(Start()->settings.FlashRecordingArea, 0);

  // "0" leaves the held value as it is.
  auto run = std::make_unique<Run>();
  FillSettingLists(run->view);
  run->settings.FlashRecordingArea = 1;
  LoadSettings(run->settings, Ports(*run));
  EXPECT_EQ(run->settings.FlashRecordingArea, 1);
}

TEST_F(SettingsFileTest, FlashIsSavedAsOneOrZero) {
  auto run = Start();
  run->settings.FlashRecordingArea = 2;  // a check box's third state
  Save(*run);
  EXPECT_EQ(Stored(kKeyFlash), "1");
  run->settings.FlashRecordingArea = 0;
  Save(*run);
  EXPECT_EQ(Stored(kKeyFlash), "0");
}

TEST_F(SettingsFileTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
  profile.files[kIni] = "[mavrionproperties]\r\nvideoframerate=6\r\nVideo_Flash=1\r\nfile_path=G:\\rec\r\n";
  auto run = Start();
  EXPECT_EQ(run->view.ComboSelectedText(kFrameRateListId), "7");
  EXPECT_EQ(run->settings.FlashRecordingArea, 1);
  EXPECT_EQ(run->settings.OutputFileName, "G:\\rec\\20260307140509.wmv");
}

TEST_F(SettingsFileTest, FilePathIsTheDirectoryOfTheOutputName) {
  auto run = Start();
  run->settings.OutputFileName = "clip.wmv";  // no directory part
  Save(*run);
  EXPECT_EQ(Stored(kKeyFilePath), "");
  EXPECT_EQ(Start()->settings.OutputFileName, "C:\\Programs\\Mavrion\\20260307140509.wmv");

  run->settings.OutputFileName = "C:\\clip.wmv";  // a drive root keeps its backslash
  Save(*run);
  EXPECT_EQ(Stored(kKeyFilePath), "C:\\");
  EXPECT_EQ(Start()->settings.OutputFileName, "C:\\\\20260307140509.wmv");

  run->settings.OutputFileName = "\\\\server\\share\\clip.wmv";
  Save(*run);
  EXPECT_EQ(Stored(kKeyFilePath), "\\\\server\\share");
}

TEST_F(SettingsFileTest, AnOverLongFilePathIsIgnoredForTheExecutablesDirectory) {
  Store(kKeyFilePath, "D:\\" + std::string(228, 'a'));  // 231 characters: used
  EXPECT_EQ(Start()->settings.OutputFileName, "D:\\" + std::string(228, 'a') + "\\20260307140509.wmv");
  Store(kKeyFilePath, "D:\\" + std::string(229, 'a'));  // 232
  EXPECT_EQ(Start()->settings.OutputFileName, "C:\\Programs\\Mavrion\\20260307140509.wmv");
  Store(kKeyFilePath, "D:\\" + std::string(400, 'a'));  // cut to 259 by the read, still too long
  EXPECT_EQ(Start()->settings.OutputFileName, "C:\\Programs\\Mavrion\\20260307140509.wmv");
}

TEST_F(SettingsFileTest, AnUnknownExecutableDirectoryNeitherReadsNorWrites) {
  Store(kKeyFrameRate, "9");
  executable.path = "";
  auto run = Start();
  EXPECT_TRUE(profile.bufferChars.empty());
  EXPECT_EQ(run->settings.OutputFileName, "");  // Start then asks for a name
  EXPECT_EQ(run->exchange.refreshes, 1);
  std::map<std::string, std::string> before = profile.files;
  Save(*run);
  EXPECT_EQ(profile.files, before);
}

}  // namespace
}  // namespace mavrion
