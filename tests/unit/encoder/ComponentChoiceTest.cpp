#include "core/encoder/ComponentChoice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/encoder/FakeComponent.h"

namespace mavrion::encoder {
namespace {

using Strings = std::vector<std::string>;
using fakes::FakeFactory;
using fakes::World;

constexpr HResult kModuleNotFound = static_cast<HResult>(0x8007007Eu);

struct Made {
  HResult encoder;
  HResult profile;
};

Made MakeBoth(ComponentChoice& choice) {
  Ref<Encoder> encoder;
  Ref<Profile> profile;
  const HResult made = choice.CreateEncoder(&encoder);
  return {made, choice.CreateProfile(&profile)};
}

TEST(ComponentChoiceTest, TheProfileComesFromTheComponentThatMadeTheEncoder) {
  World installed, builtin;
  FakeFactory installedFactory{installed}, builtinFactory{builtin};
  ComponentChoice choice{installedFactory, builtinFactory};
  const Strings both{"Factory.CreateEncoder()", "Factory.CreateProfile()"};

  // Registered and working: the installed component makes both.
  Made made = MakeBoth(choice);
  EXPECT_EQ(made.encoder, kS_OK);
  EXPECT_EQ(made.profile, kS_OK);
  EXPECT_EQ(installed.log, both);
  EXPECT_TRUE(builtin.log.empty());

  // Not registered, or registered but not usable (server gone, interface
  // missing, no object handed back): the built-in encoder records, with its
  // own profile.
  for (HResult refusal : {kREGDB_E_CLASSNOTREG, kModuleNotFound, kE_NOINTERFACE, kS_OK}) {
    installed.log.clear();
    builtin.log.clear();
    installed.results["Factory.CreateEncoder"] = refusal;
    if (refusal == kS_OK) installed.handBackNothing.insert("Factory.CreateEncoder");
    made = MakeBoth(choice);
    EXPECT_EQ(made.encoder, kS_OK) << std::hex << refusal;
    EXPECT_EQ(made.profile, kS_OK) << std::hex << refusal;
    EXPECT_EQ(installed.log, Strings{"Factory.CreateEncoder()"}) << std::hex << refusal;
    EXPECT_EQ(builtin.log, both) << std::hex << refusal;
  }
  EXPECT_TRUE(installed.Held().empty());

  // Every Start asks the installed component again; a profile it refuses is
  // that component's failure, never made up by the other one.
  installed.log.clear();
  builtin.log.clear();
  installed.results.clear();
  installed.handBackNothing.clear();
  installed.results["Factory.CreateProfile"] = fakes::kRefused;
  made = MakeBoth(choice);
  EXPECT_EQ(made.encoder, kS_OK);
  EXPECT_EQ(made.profile, fakes::kRefused);
  EXPECT_EQ(installed.log, both);
  EXPECT_TRUE(builtin.log.empty());

  // Neither can make an encoder: the built-in one's answer is the result.
  builtin.results["Factory.CreateEncoder"] = kE_OUTOFMEMORY;
  installed.results["Factory.CreateEncoder"] = kREGDB_E_CLASSNOTREG;
  Ref<Encoder> none;
  EXPECT_EQ(choice.CreateEncoder(&none), kE_OUTOFMEMORY);
}

}  // namespace
}  // namespace mavrion::encoder
