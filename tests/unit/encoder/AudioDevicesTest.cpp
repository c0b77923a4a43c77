#include "core/encoder/AudioDevices.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/unit/encoder/FakeDialog.h"

namespace mavrion::encoder {
namespace {

using fakes::FakeDialogView;
using fakes::FakeMessageBoxes;
using Strings = std::vector<std::string>;

constexpr HResult kNoProperty = static_cast<HResult>(0x80070057u);

// A device as the enumerator sees it. A property that is present but empty
// stands for a value that holds no text the code page can take.
struct Device {
  std::optional<std::string> friendlyName;
  std::optional<std::string> description;
  bool bindFails = false;
  bool friendlyNameUnconvertible = false;
};

struct Counts {
  int live = 0;  // references handed out and not given back
  int overReleases = 0;
};

template <class Port>
class Counted : public Port {
 public:
  explicit Counted(Counts& counts) : counts_(counts) { ++counts_.live; }
  unsigned long AddRef() override {
    ++counts_.live;
    return ++refs_;
  }
  unsigned long Release() override {
    if (refs_ == 0) {
      ++counts_.overReleases;
      return 0;
    }
    --counts_.live;
    unsigned long left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  Counts& counts_;

 private:
  unsigned long refs_ = 1;
};

class FakeProperties : public Counted<DeviceProperties> {
 public:
  FakeProperties(Counts& counts, Device device, Strings& reads)
      : Counted(counts), device_(std::move(device)), reads_(reads) {}
  HResult ReadText(const std::string& name, std::optional<std::string>* text) override {
    reads_.push_back(name);
    const std::optional<std::string>& value = name == "FriendlyName" ? device_.friendlyName : device_.description;
    if (!value) return kNoProperty;
    if (name == "FriendlyName" && device_.friendlyNameUnconvertible) {
      text->reset();
    } else {
      *text = *value;
    }
    return kS_OK;
  }

 private:
  Device device_;
  Strings& reads_;
};

class FakeMoniker : public Counted<DeviceMoniker> {
 public:
  FakeMoniker(Counts& counts, Device device, Strings& reads)
      : Counted(counts), device_(std::move(device)), reads_(reads) {}
  HResult BindToStorage(Ref<DeviceProperties>* properties) override {
    if (device_.bindFails) return kE_FAIL;
    *properties = Ref<DeviceProperties>(new FakeProperties(counts_, device_, reads_));
    return kS_OK;
  }

 private:
  Device device_;
  Strings& reads_;
};

class FakeMonikers : public Counted<DeviceMonikerEnumerator> {
 public:
  FakeMonikers(Counts& counts, std::vector<Device> devices, Strings& reads)
      : Counted(counts), devices_(std::move(devices)), reads_(reads) {}
  HResult Next(Ref<DeviceMoniker>* moniker) override {
    if (next_ >= devices_.size()) return kS_FALSE;
    *moniker = Ref<DeviceMoniker>(new FakeMoniker(counts_, devices_[next_++], reads_));
    return kS_OK;
  }

 private:
  std::vector<Device> devices_;
  std::size_t next_ = 0;
  Strings& reads_;
};

class FakeSystemEnumerator : public Counted<SystemDeviceEnumerator> {
 public:
  FakeSystemEnumerator(Counts& counts, const std::vector<Device>& devices, Strings& reads)
      : Counted(counts), devices_(devices), reads_(reads) {}
  HResult CreateClassEnumerator(DeviceCategory category, Ref<DeviceMonikerEnumerator>* enumerator,
                                std::uint32_t flags) override {
    EXPECT_EQ(category, DeviceCategory::AudioInput);
    EXPECT_EQ(flags, 0u);
    if (devices_.empty()) return kS_FALSE;  // an empty category hands back nothing
    *enumerator = Ref<DeviceMonikerEnumerator>(new FakeMonikers(counts_, devices_, reads_));
    return kS_OK;
  }

 private:
  std::vector<Device> devices_;
  Strings& reads_;
};

class FakeServices : public DeviceServices {
 public:
  std::vector<Device> devices;
  HResult apartment = kS_FALSE;  // the dialog's thread already has one
  HResult creation = kS_OK;
  int apartments = 0;
  int liveAtUninitialize = -1;
  Counts counts;
  Strings reads;

  HResult InitializeApartment() override {
    if (Succeeded(apartment)) ++apartments;
    return apartment;
  }
  void UninitializeApartment() override {
    --apartments;
    liveAtUninitialize = counts.live;
  }
  HResult CreateSystemDeviceEnumerator(Ref<SystemDeviceEnumerator>* enumerator) override {
    if (Failed(creation)) return creation;
    *enumerator = Ref<SystemDeviceEnumerator>(new FakeSystemEnumerator(counts, devices, reads));
    return kS_OK;
  }
};

class AudioDevicesTest : public ::testing::Test {
 protected:
  Strings Load() {
    LoadAudioDeviceList(view, services);
    warned = WarnIfNoAudioDevice(view, boxes);
    return view.combos_[kAudioDeviceListId];
  }
  FakeDialogView view;
  FakeServices services;
  FakeMessageBoxes boxes;
  bool warned = false;
};

TEST_F(AudioDevicesTest, NoDeviceLeavesTheDefaultEntryAndWarnsOnce) {
  EXPECT_EQ(Load(), Strings{"Default Audio Input Device"});
  EXPECT_EQ(view.ComboSelection(kAudioDeviceListId), 0);
  EXPECT_TRUE(warned);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, view.Handle());
  EXPECT_EQ(boxes.shown[0].caption, "Mavrion");
  EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconWarning);
  EXPECT_EQ(boxes.shown[0].text,
            "It seems that audio input device is not attached. Before starting audio + screen capturing, "
            "you must attached the microphone or any audio input device.");
  EXPECT_EQ(services.apartments, 0) << "the apartment pair is balanced";
  EXPECT_EQ(services.counts.live, 0);
}

TEST_F(AudioDevicesTest, DevicesFollowTheDefaultEntryInTheEnumeratorsOrder) {
  services.devices = {{"In: default", "ignored"}};
  EXPECT_EQ(Load(), (Strings{"Default Audio Input Device", "In: default"}));
  EXPECT_FALSE(warned);
  EXPECT_TRUE(boxes.shown.empty());

  FakeDialogView second;
  services.devices = {{"Microphone (USB Audio)", {}}, {"Line In (Realtek)", {}}};
  LoadAudioDeviceList(second, services);
  EXPECT_EQ(second.combos_[kAudioDeviceListId],
            (Strings{"Default Audio Input Device", "Microphone (USB Audio)", "Line In (Realtek)"}));
  EXPECT_EQ(second.ComboSelection(kAudioDeviceListId), 0);
  EXPECT_EQ(services.apartments, 0);
  EXPECT_EQ(services.liveAtUninitialize, 0) << "everything is given back before the apartment count drops";
  EXPECT_EQ(services.counts.overReleases, 0);
}

TEST_F(AudioDevicesTest, NamesFallBackToTheDescriptionAndUnreadableDevicesAreLeftOut) {
  services.devices = {
      {{}, "USB Audio Device"},                  // listed under its description
      {{}, {}},                                  // no name at all
      {"Bound Badly", {}, /*bindFails=*/true},   // no property bag
      {"\xff\xfe", "Not Used", false, true},     // a name the code page cannot take
      {"Webcam Mic", {}},
  };
  EXPECT_EQ(Load(), (Strings{"Default Audio Input Device", "USB Audio Device", "Webcam Mic"}));
  EXPECT_FALSE(warned);
  EXPECT_EQ(services.reads, (Strings{"FriendlyName", "Description", "FriendlyName", "Description",
                                     "FriendlyName", "FriendlyName"}))
      << "a readable FriendlyName is never replaced by the Description";
  EXPECT_EQ(services.counts.live, 0);
}

TEST_F(AudioDevicesTest, WithoutAnApartmentOrEnumeratorOnlyTheDefaultEntryStays) {
  services.devices = {{"Microphone", {}}};
  services.apartment = static_cast<HResult>(0x80010106u);  // RPC_E_CHANGED_MODE
  EXPECT_EQ(Load(), Strings{"Default Audio Input Device"});
  EXPECT_TRUE(warned);
  EXPECT_EQ(services.liveAtUninitialize, -1) << "no apartment taken, none given back";

  FakeServices broken;
  broken.devices = {{"Microphone", {}}};
  broken.creation = kREGDB_E_CLASSNOTREG;
  FakeDialogView other;
  LoadAudioDeviceList(other, broken);
  EXPECT_EQ(other.combos_[kAudioDeviceListId], Strings{"Default Audio Input Device"});
  EXPECT_EQ(broken.apartments, 0);
}

TEST(CreateAudioDeviceEnumeratorTest, AnEmptyCategoryIsNotFound) {
  FakeServices services;
  Ref<DeviceMonikerEnumerator> enumerator;
  EXPECT_EQ(CreateAudioDeviceEnumerator(services, DeviceCategory::AudioInput, &enumerator), kVFW_E_NOT_FOUND);
  EXPECT_FALSE(enumerator);
  EXPECT_EQ(services.counts.live, 0) << "the system enumerator is given back";

  services.devices = {{"Mic", {}}};
  EXPECT_EQ(CreateAudioDeviceEnumerator(services, DeviceCategory::AudioInput, &enumerator), kS_OK);
  EXPECT_TRUE(enumerator);
  EXPECT_EQ(services.counts.live, 1) << "only the enumerator handed back stays";
  enumerator.Reset();

  services.creation = kREGDB_E_CLASSNOTREG;
  EXPECT_EQ(CreateAudioDeviceEnumerator(services, DeviceCategory::AudioInput, &enumerator),
            kREGDB_E_CLASSNOTREG);
}

}  // namespace
}  // namespace mavrion::encoder
