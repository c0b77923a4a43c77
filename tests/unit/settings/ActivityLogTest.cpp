#include "core/settings/ActivityLog.h"

#include <gtest/gtest.h>

#include "SettingsFakes.h"

namespace mavrion {
namespace {

constexpr const char* kTodaysLog = "C:\\Programs\\Mavrion\\Screen-20260307.log";

class ActivityLogTest : public ::testing::Test {
 protected:
  settings_fakes::FakeClock clock;
  settings_fakes::FakeExecutable executable;
  settings_fakes::FakeFiles files;
  settings_fakes::SingleByteCodePage codePage;
  ActivityLog log{clock, executable, files, codePage};
};

TEST_F(ActivityLogTest, EntryIsTheTimeAndTheTextInTodaysFile) {
  log.WriteActivityLog("Unable to Start Encoding Process");
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_EQ(files.files[kTodaysLog], "14:05:09 Unable to Start Encoding Process");
  EXPECT_EQ(clock.reads, 1);
}

TEST_F(ActivityLogTest, TextIsFormattedPrintfStyle) {
  clock.now = {2026, 3, 7, 7, 0, 3};
  log.WriteActivityLog("code %d: %s (%05.1f%%)\n", 42, "pause", 9.5);
  EXPECT_EQ(files.files[kTodaysLog], "07:00:03 code 42: pause (009.5%)\n");
}

TEST_F(ActivityLogTest, EntriesOfOneDayFollowEachOtherWithoutSeparator) {
  log.WriteActivityLog("first");
  clock.now.second = 10;
  log.WriteActivityLog("%s", "second");
  EXPECT_EQ(files.files[kTodaysLog], "14:05:09 first14:05:10 second");
  EXPECT_EQ(files.appends, 2);  // opened and closed per entry
}

TEST_F(ActivityLogTest, AnEntryJustAfterMidnightGoesToTheNewDaysFile) {
  clock.upcoming = {{2026, 3, 7, 23, 59, 59}, {2026, 3, 8, 0, 0, 0}};
  log.WriteActivityLog("late");
  log.WriteActivityLog("early");
  EXPECT_EQ(files.files[kTodaysLog], "23:59:59 late");
  EXPECT_EQ(files.files["C:\\Programs\\Mavrion\\Screen-20260308.log"], "00:00:00 early");
}

TEST_F(ActivityLogTest, DateAndTimeComeFromOneReadingOfTheClock) {
  // A second reading would give the next day's date with the old time.
  clock.upcoming = {{2026, 3, 7, 23, 59, 59}, {2026, 3, 8, 0, 0, 0}};
  log.WriteActivityLog("x");
  EXPECT_EQ(files.files[kTodaysLog], "23:59:59 x");
  EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(ActivityLogTest, AFileThatCannotBeWrittenLosesTheEntrySilently) {
  files.writable = false;
  log.WriteActivityLog("Unable to Start Encoding Process");
  EXPECT_EQ(files.appends, 1);
  EXPECT_TRUE(files.files.empty());
}

TEST_F(ActivityLogTest, APathTooLongForItsBufferIsRefusedNotMoved) {
  // Directory + "\Screen-YYYYMMDD.log" (20) must stay within 262 characters.
  executable.path = "C:\\" + std::string(239, 'd') + "\\Mavrion.exe";  // directory of 242
  log.WriteActivityLog("fits");
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_EQ(files.files.begin()->first.size(), 262u);

  executable.path = "C:\\" + std::string(240, 'd') + "\\Mavrion.exe";  // 243
  log.WriteActivityLog("too long");
  EXPECT_EQ(files.appends, 1);

  executable.path = "";
  log.WriteActivityLog("nowhere");
  EXPECT_EQ(files.appends, 1);
}

TEST(ActivityLogPathTest, NameIsThePrefixAndTheLocalDate) {
  EXPECT_EQ(ActivityLogPath("D:\\app", {2027, 1, 9, 0, 0, 0}), "D:\\app\\Screen-20270109.log");
  EXPECT_EQ(ActivityLogPath("D:\\", {2027, 12, 31, 0, 0, 0}), "D:\\\\Screen-20271231.log");
  EXPECT_EQ(ActivityLogEntry({2027, 1, 9, 5, 6, 7}, ""), "05:06:07 ");
}

}  // namespace
}  // namespace mavrion
