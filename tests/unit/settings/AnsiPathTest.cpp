#include "core/settings/AnsiPath.h"

#include <gtest/gtest.h>

#include "SettingsFakes.h"

namespace mavrion {
namespace {

TEST(AnsiPathTest, RemoveFileSpecFollowsTheShellRule) {
  settings_fakes::SingleByteCodePage ansi;
  struct Case {
    const char* path;
    const char* directory;
  };
  for (Case c : {
           Case{"C:\\dir\\clip.wmv", "C:\\dir"},
           Case{"C:\\dir\\sub\\clip.wmv", "C:\\dir\\sub"},
           Case{"C:\\clip.wmv", "C:\\"},       // a drive root keeps its backslash
           Case{"C:\\", "C:\\"},               // nothing to remove
           Case{"C:\\dir\\", "C:\\dir"},       // a trailing backslash is the last component's
           Case{"C:clip.wmv", "C:"},
           Case{"C:", "C:"},
           Case{"clip.wmv", ""},               // no backslash
           Case{"", ""},
           Case{"dir\\clip.wmv", "dir"},
           Case{"\\clip.wmv", "\\"},           // the current drive's root
           Case{"\\\\server\\share\\clip.wmv", "\\\\server\\share"},
           Case{"\\\\server\\share", "\\\\server"},
           Case{"\\\\server", "\\\\"},
           Case{"\\\\", "\\\\"},
       }) {
    EXPECT_EQ(RemoveFileSpec(c.path, ansi), c.directory) << c.path;
  }
}

TEST(AnsiPathTest, TrailBytesAreNotSeparators) {
  settings_fakes::CodePage932 dbcs;
  settings_fakes::SingleByteCodePage ansi;
  // 0x95 0x5C is one character whose second byte equals '\'.
  const std::string name = "C:\\dir\\\x95\x5C.wmv";
  EXPECT_EQ(RemoveFileSpec(name, dbcs), "C:\\dir");
  EXPECT_EQ(RemoveFileSpec(name, ansi), "C:\\dir\\\x95");
  EXPECT_EQ(RemoveFileSpec("\x95\x5C", dbcs), "");
  EXPECT_EQ(RemoveFileSpec("\x95\x5C\\x.wmv", dbcs), "\x95\x5C");
  // A lead byte as the last byte stands alone.
  EXPECT_EQ(RemoveFileSpec("C:\\a\\\x81", dbcs), "C:\\a");
}

TEST(AnsiPathTest, FindTextMatchesOnlyOnCharacterBoundaries) {
  settings_fakes::CodePage932 dbcs;
  settings_fakes::SingleByteCodePage ansi;
  EXPECT_EQ(FindText("ab\x81.wmv", ".wmv", 0, dbcs), std::string::npos);
  EXPECT_EQ(FindText("ab\x81.wmv", ".wmv", 0, ansi), 3u);
  EXPECT_EQ(FindText("\x81\x40.wmv", ".wmv", 0, dbcs), 2u);
  EXPECT_EQ(FindText(".wmv.wmv", ".wmv", 1, ansi), 4u);
  EXPECT_EQ(FindText(".wmv", ".wmv", 1, ansi), std::string::npos);
  EXPECT_EQ(FindText("a.wm", ".wmv", 0, ansi), std::string::npos);
}

TEST(AnsiPathTest, NextCharacterStepsOverTwoByteCharacters) {
  settings_fakes::CodePage932 dbcs;
  EXPECT_EQ(NextCharacter("\x81\x40z", 0, dbcs), 2u);
  EXPECT_EQ(NextCharacter("\x81\x40z", 2, dbcs), 3u);
  EXPECT_EQ(NextCharacter("z\x81", 1, dbcs), 2u);  // a lone lead byte at the end
  EXPECT_EQ(NextCharacter("z", 1, dbcs), 1u);
}

TEST(AnsiPathTest, ExecutableDirectoryDropsTheFileName) {
  settings_fakes::FakeExecutable executable;
  settings_fakes::SingleByteCodePage ansi;
  EXPECT_EQ(ExecutableDirectory(executable, ansi), "C:\\Programs\\Mavrion");
  executable.path = "C:\\Mavrion.exe";
  EXPECT_EQ(ExecutableDirectory(executable, ansi), "C:\\");
}

}  // namespace
}  // namespace mavrion
