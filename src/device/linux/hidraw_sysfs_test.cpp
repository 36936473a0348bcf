#include "device/linux/hidraw_sysfs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "testing/fake_report_descriptors.h"
#include "testing/fake_sysfs.h"

namespace tr58k {
namespace {

// (path, vendor, product, version, page, usage) for whole-record comparisons.
using Row = std::tuple<std::string, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t>;
std::vector<Row> Rows(const std::vector<HidInterfaceInfo>& interfaces) {
  std::vector<Row> rows;
  for (const auto& i : interfaces) {
    rows.emplace_back(i.path, i.vendorId, i.productId, i.versionNumber, i.usagePage, i.usage);
  }
  return rows;
}

TEST(ParseHidId, Formats) {
  struct Case {
    const char* text;
    bool ok;
    HidId id;
  };
  const Case cases[] = {
      {"0003:00004C95:00005837", true, {0x0003, 0x4C95, 0x5837}},
      {"0005:0000046d:0000b01e\n", true, {0x0005, 0x046D, 0xB01E}},
      {"18:4C95:5836", true, {0x0018, 0x4C95, 0x5836}},
      {"0003:00004C95", false, {}},
      {"0003:00004C95:", false, {}},
      {":00004C95:00005837", false, {}},
      {"0003:00004G95:00005837", false, {}},
      {"0003:000004C95:00005837", false, {}},  // nine digits
      {"0003:00014C95:00005837", false, {}},   // vendor above 16 bits
      {"0003:00004C95:00005837:1", false, {}},
      {"", false, {}},
  };
  for (const Case& c : cases) {
    const auto id = ParseHidId(c.text);
    ASSERT_EQ(id.has_value(), c.ok) << c.text;
    if (!id) continue;
    EXPECT_EQ(id->bus, c.id.bus) << c.text;
    EXPECT_EQ(id->vendor, c.id.vendor) << c.text;
    EXPECT_EQ(id->product, c.id.product) << c.text;
  }
}

TEST(ParseBcdDevice, HexTextOrZero) {
  const std::pair<const char*, uint16_t> cases[] = {
      {"0026\n", 0x0026}, {"0103", 0x0103}, {"ffff\n", 0xFFFF}, {"1", 1},
      {"", 0}, {"\n", 0}, {"00260\n", 0}, {"0x26", 0}, {"26 \n", 0},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseBcdDevice(text), value) << text;
}

TEST(UeventValue, FindsWholeKeysOnly) {
  const std::string uevent = "HID_IDX=no\nDRIVER=hid-generic\nHID_ID=0003:1:2\nHID_UNIQ=";
  EXPECT_EQ(UeventValue(uevent, "HID_ID"), "0003:1:2");
  EXPECT_EQ(UeventValue(uevent, "HID_UNIQ"), "");
  EXPECT_EQ(UeventValue(uevent, "DRIVER"), "hid-generic");
  EXPECT_EQ(UeventValue(uevent, "HID"), std::nullopt);
  EXPECT_EQ(UeventValue(uevent, "DEVTYPE"), std::nullopt);
}

TEST(HidrawOrder, NumericByHidrawNumber) {
  EXPECT_EQ(HidrawNumber("hidraw0"), 0u);
  EXPECT_EQ(HidrawNumber("hidraw12"), 12u);
  EXPECT_EQ(HidrawNumber("hidraw"), UINT64_MAX);
  EXPECT_EQ(HidrawNumber("hidraw1a"), UINT64_MAX);
  EXPECT_EQ(HidrawNumber("hidraw99999999999999999999"), UINT64_MAX);
  std::vector<std::string> paths = {"/s/b/hidraw10", "/s/x", "/s/a/hidraw2", "/s/c/hidraw1"};
  SortByHidrawNumber(paths);
  EXPECT_EQ(paths, (std::vector<std::string>{"/s/c/hidraw1", "/s/a/hidraw2", "/s/b/hidraw10", "/s/x"}));
}

class HidrawSysfsTest : public ::testing::Test {
 protected:
  std::string Sys() const { return dir_.path() + "/sys"; }
  std::vector<HidInterfaceInfo> Read(const FakeHidraw& node) {
    return ReadHidrawInterfaces(AddFakeHidraw(Sys(), node), "/dev");
  }
  TempDir dir_;
};

TEST_F(HidrawSysfsTest, UsbMouseVendorInterface) {
  FakeHidraw node;
  node.number = 3;
  node.descriptor = VendorDescriptor();
  EXPECT_EQ(Rows(Read(node)),
            (std::vector<Row>{{"/dev/hidraw3", 0x4C95, 0x5837, 0x0026, 0xFF01, 0x0002}}));
}

TEST_F(HidrawSysfsTest, OneEntryPerTopLevelCollectionWithTheSamePath) {
  FakeHidraw node;
  node.number = 5;
  node.bcdDevice = "0103\n";
  node.descriptor = CompositeDescriptor();
  EXPECT_EQ(Rows(Read(node)), (std::vector<Row>{
                                  {"/dev/hidraw5", 0x4C95, 0x5837, 0x0103, 0x0001, 0x0002},
                                  {"/dev/hidraw5", 0x4C95, 0x5837, 0x0103, 0x000C, 0x0001},
                                  {"/dev/hidraw5", 0x4C95, 0x5837, 0x0103, 0xFF01, 0x0002},
                              }));
}

TEST_F(HidrawSysfsTest, VersionComesOnlyFromTheDevicesOwnUsbDevice) {
  struct Case {
    const char* name;
    FakeBus bus;
    const char* hidId;
    std::optional<std::string> bcd;
    uint16_t version;
  };
  const Case cases[] = {
      {"usb", FakeBus::kUsb, "0003:00004C95:00005837", "0026\n", 0x0026},
      {"usb without bcdDevice", FakeBus::kUsb, "0003:00004C95:00005837", std::nullopt, 0},
      {"usb with garbage bcdDevice", FakeBus::kUsb, "0003:00004C95:00005837", "zz\n", 0},
      // The Bluetooth adapter above is a USB device: its number is not ours.
      {"bluetooth", FakeBus::kBluetooth, "0005:00004C95:00005837", "0199\n", 0},
      {"uhid", FakeBus::kVirtual, "0003:00004C95:00005837", std::nullopt, 0},
  };
  int number = 0;
  for (const Case& c : cases) {
    FakeHidraw node;
    node.number = number;
    node.usbPort = ++number;
    node.bus = c.bus;
    node.hidId = c.hidId;
    node.hidName = std::string(c.hidId).substr(0, 4) + ":4C95:5837.000" + std::to_string(number);
    node.bcdDevice = c.bcd;
    node.descriptor = VendorDescriptor();
    const auto interfaces = Read(node);
    ASSERT_EQ(interfaces.size(), 1u) << c.name;
    EXPECT_EQ(interfaces[0].versionNumber, c.version) << c.name;
    EXPECT_EQ(interfaces[0].vendorId, 0x4C95) << c.name;
  }
}

// uhid and Bluetooth devices have no USB device of their own: the kernel
// shows their release number only on the input devices hid-input made.
TEST_F(HidrawSysfsTest, WithoutItsOwnUsbDeviceTheVersionComesFromItsInputDevice) {
  struct Case {
    const char* name;
    FakeBus bus;
    const char* hidId;
    std::vector<std::pair<std::string, std::string>> inputs;  // (inputN, id/version)
    uint16_t version;
  };
  const Case cases[] = {
      {"uhid", FakeBus::kVirtual, "0003:00004C95:00005837", {{"input7", "0105\n"}}, 0x0105},
      {"bluetooth, not the adapter's", FakeBus::kBluetooth, "0005:00004C95:00005837",
       {{"input3", "0311\n"}}, 0x0311},
      {"first input in name order", FakeBus::kVirtual, "0003:00004C95:00005837",
       {{"input9", "0002\n"}, {"input10", "0001\n"}}, 0x0001},
      {"usb: bcdDevice wins", FakeBus::kUsb, "0003:00004C95:00005837", {{"input4", "0099\n"}},
       0x0026},
      {"uhid, input without id", FakeBus::kVirtual, "0003:00004C95:00005837", {{"input5", ""}}, 0},
  };
  int number = 0;
  for (const Case& c : cases) {
    FakeHidraw node;
    node.number = number;
    node.usbPort = ++number;
    node.bus = c.bus;
    node.hidId = c.hidId;
    node.hidName = std::string(c.hidId).substr(0, 4) + ":4C95:5837.000" + std::to_string(number);
    node.bcdDevice = c.bus == FakeBus::kUsb ? std::optional<std::string>("0026\n")
                                            : std::optional<std::string>("0199\n");
    node.descriptor = VendorDescriptor();
    const std::string hidraw = AddFakeHidraw(Sys(), node);
    const std::filesystem::path hidDevice = std::filesystem::path(hidraw).parent_path().parent_path();
    for (const auto& [input, version] : c.inputs) {
      if (version.empty()) {
        std::filesystem::create_directories(hidDevice / "input" / input);
      } else {
        WriteFile(hidDevice / "input" / input / "id" / "version", version);
      }
    }
    const auto interfaces = ReadHidrawInterfaces(hidraw, "/dev");
    ASSERT_EQ(interfaces.size(), 1u) << c.name;
    EXPECT_EQ(interfaces[0].versionNumber, c.version) << c.name;
  }
}

TEST_F(HidrawSysfsTest, NodesWithoutAUsableIdentity) {
  FakeHidraw noDescriptor;
  noDescriptor.number = 0;
  noDescriptor.usbPort = 1;
  // Still listed, with no collection: the link will pass it over.
  EXPECT_EQ(Rows(Read(noDescriptor)),
            (std::vector<Row>{{"/dev/hidraw0", 0x4C95, 0x5837, 0x0026, 0, 0}}));

  FakeHidraw noHidId;
  noHidId.number = 1;
  noHidId.usbPort = 2;
  noHidId.hidId = std::nullopt;
  noHidId.descriptor = VendorDescriptor();
  EXPECT_TRUE(Read(noHidId).empty());

  FakeHidraw badHidId = noHidId;
  badHidId.number = 2;
  badHidId.usbPort = 3;
  badHidId.hidId = "0003:4C95";
  EXPECT_TRUE(Read(badHidId).empty());

  FakeHidraw noDeviceLink;
  noDeviceLink.number = 3;
  noDeviceLink.usbPort = 4;
  noDeviceLink.deviceLink = false;
  noDeviceLink.descriptor = VendorDescriptor();
  EXPECT_TRUE(Read(noDeviceLink).empty());

  EXPECT_TRUE(ReadHidrawInterfaces(dir_.path() + "/nowhere/hidraw9", "/dev").empty());
}

TEST_F(HidrawSysfsTest, SysfsListingResolvesLinksInNumericOrder) {
  for (int number : {10, 2, 0}) {
    FakeHidraw node;
    node.number = number;
    node.usbPort = number + 1;
    node.descriptor = BootMouseDescriptor();
    AddFakeHidraw(Sys(), node);
  }
  const auto syspaths = ListHidrawSysfs(Sys());
  ASSERT_EQ(syspaths.size(), 3u);
  const std::string devices = std::filesystem::canonical(Sys()).string() + "/devices/";
  const char* names[] = {"hidraw0", "hidraw2", "hidraw10"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(syspaths[i].rfind(devices, 0), 0u) << syspaths[i];  // resolved into devices/
    EXPECT_EQ(std::filesystem::path(syspaths[i]).filename(), names[i]);
    EXPECT_NE(syspaths[i].find(":4C95:5837."), std::string::npos) << syspaths[i];
  }
  EXPECT_TRUE(ListHidrawSysfs(dir_.path() + "/no-sysfs").empty());
}

}  // namespace
}  // namespace tr58k
