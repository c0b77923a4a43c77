#include "core/recording/HookBinding.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace mavrion {
namespace {

constexpr HookEntry kInstallAddress = 0x10001000;
constexpr HookEntry kUnHookAddress = 0x10002000;
constexpr WindowHandle kDialog = 0x00A0B0C;

// A library that has the exports it is given and writes down every call.
class FakeLibrary : public HookLibrary {
 public:
  bool loadable = true;
  std::map<std::string, HookEntry> exports{{"installhook", kInstallAddress},
                                          {"UnHook", kUnHookAddress}};
  std::vector<std::string> calls;

  bool Load(const std::string& fileName) override {
    calls.push_back("Load " + fileName);
    return loadable;
  }
  HookEntry Find(const std::string& exportName) override {
    calls.push_back("Find " + exportName);
    auto found = exports.find(exportName);
    return found == exports.end() ? 0 : found->second;
  }
  void CallInstallHook(HookEntry entry, WindowHandle window) override {
    calls.push_back("installhook " + std::to_string(entry) + " " + std::to_string(window));
  }
  void CallUnHook(HookEntry entry) override { calls.push_back("UnHook " + std::to_string(entry)); }
};

class FakeBoxes : public MessageBoxes {
 public:
  struct Box {
    WindowHandle owner;
    std::string text, caption;
    unsigned style;
  };
  std::vector<Box> shown;
  int Show(WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    shown.push_back({owner, text, caption, style});
    return mb::kIdOk;
  }
};

class HookBindingTest : public ::testing::Test {
 protected:
  FakeLibrary library;
  FakeBoxes boxes;
  HookBinding binding{{library, boxes, "Mavrion"}};

  static std::string InstallCall(WindowHandle window) {
    return "installhook " + std::to_string(kInstallAddress) + " " + std::to_string(window);
  }
  static std::string UnHookCall() { return "UnHook " + std::to_string(kUnHookAddress); }

  // Exactly one warning, owned by the dialog, with the application's name.
  void ExpectOneWarning(const std::string& text) {
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].owner, kDialog);
    EXPECT_EQ(boxes.shown[0].caption, "Mavrion");
    EXPECT_EQ(boxes.shown[0].text, text);
    EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconWarning);
  }
};

TEST_F(HookBindingTest, CompleteLibraryIsInstalledForTheDialogAndUnhookedOnEveryRequest) {
  EXPECT_TRUE(binding.Install(kDialog));
  EXPECT_EQ(library.calls, (std::vector<std::string>{"Load hodll.dll", "Find installhook",
                                                     InstallCall(kDialog), "Find UnHook"}));
  EXPECT_TRUE(binding.KeysAvailable());
  EXPECT_TRUE(binding.HasUnHook());
  EXPECT_TRUE(boxes.shown.empty());

  // "Exit Application" unhooks, then the close sequence unhooks again.
  library.calls.clear();
  binding.UnHook();
  binding.UnHook();
  EXPECT_EQ(library.calls, (std::vector<std::string>{UnHookCall(), UnHookCall()}));
}

TEST_F(HookBindingTest, InstallingAgainLoadsOnceAndRetargetsTheHook) {
  binding.Install(kDialog);
  library.calls.clear();
  EXPECT_TRUE(binding.Install(0x4242));
  EXPECT_EQ(library.calls,
            (std::vector<std::string>{"Find installhook", InstallCall(0x4242), "Find UnHook"}));
}

TEST_F(HookBindingTest, MissingLibraryWarnsOnceAndLeavesNothingToCall) {
  library.loadable = false;
  EXPECT_FALSE(binding.Install(kDialog));
  EXPECT_EQ(library.calls, (std::vector<std::string>{"Load hodll.dll"}));
  ExpectOneWarning(
      "The global keys F6 to F9 are not available because hodll.dll could not be loaded. "
      "Use the buttons, the Options menu or the tray icon instead.");
  EXPECT_FALSE(binding.KeysAvailable());
  EXPECT_FALSE(binding.HasUnHook());

  library.calls.clear();
  binding.UnHook();
  binding.Install(kDialog);
  EXPECT_EQ(library.calls, (std::vector<std::string>{"Load hodll.dll"}));
  EXPECT_EQ(boxes.shown.size(), 1u) << "warned again";
}

TEST_F(HookBindingTest, MissingInstallHookWarnsAndNeverCallsTheLibrary) {
  library.exports.erase("installhook");
  EXPECT_FALSE(binding.Install(kDialog));
  EXPECT_EQ(library.calls, (std::vector<std::string>{"Load hodll.dll", "Find installhook"}));
  ExpectOneWarning(
      "The global keys F6 to F9 are not available because hodll.dll has no installhook "
      "entry point. Use the buttons, the Options menu or the tray icon instead.");

  // Nothing was hooked, so the library's UnHook is not called at exit.
  library.calls.clear();
  binding.UnHook();
  binding.Install(kDialog);
  EXPECT_EQ(library.calls, (std::vector<std::string>{"Find installhook"}));
  EXPECT_EQ(boxes.shown.size(), 1u) << "warned again";
}

TEST_F(HookBindingTest, MissingUnHookIsSkippedAtExit) {
  library.exports.erase("UnHook");
  EXPECT_TRUE(binding.Install(kDialog));
  EXPECT_TRUE(binding.KeysAvailable());
  EXPECT_FALSE(binding.HasUnHook());
  EXPECT_TRUE(boxes.shown.empty());

  library.calls.clear();
  binding.UnHook();
  binding.UnHook();
  EXPECT_TRUE(library.calls.empty());
}

TEST_F(HookBindingTest, UnHookBeforeInstallDoesNothing) {
  binding.UnHook();
  EXPECT_TRUE(library.calls.empty());
}

}  // namespace
}  // namespace mavrion
