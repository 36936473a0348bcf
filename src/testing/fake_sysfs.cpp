#include "testing/fake_sysfs.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace tr58k {

namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/tr58k-linux-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed for " << pattern;
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  ASSERT_TRUE(out.good()) << path;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string AddFakeHidraw(const std::string& sysfsRoot, const FakeHidraw& node) {
  const fs::path root(sysfsRoot);
  fs::path parent;
  switch (node.bus) {
    case FakeBus::kUsb:
    case FakeBus::kBluetooth: {
      const std::string port = "1-" + std::to_string(node.usbPort);
      const fs::path usbDevice = root / "devices/pci0000:00/0000:00:14.0/usb1" / port;
      WriteFile(usbDevice / "uevent", "MAJOR=189\nMINOR=3\nDEVNAME=bus/usb/001/004\n"
                                      "DEVTYPE=usb_device\nDRIVER=usb\n");
      if (node.bcdDevice) WriteFile(usbDevice / "bcdDevice", *node.bcdDevice);
      const fs::path usbInterface = usbDevice / (port + ":1." + std::to_string(node.usbInterface));
      WriteFile(usbInterface / "uevent", "DEVTYPE=usb_interface\nDRIVER=usbhid\n");
      parent = node.bus == FakeBus::kUsb ? usbInterface : usbInterface / "bluetooth/hci0/hci0:256";
      if (node.bus == FakeBus::kBluetooth) WriteFile(parent / "uevent", "DEVTYPE=link\n");
      break;
    }
    case FakeBus::kVirtual:
      parent = root / "devices/virtual/misc/uhid";
      WriteFile(parent / "uevent", "MAJOR=10\nMINOR=239\nDEVNAME=uhid\n");
      break;
  }
  const fs::path hidDevice = parent / node.hidName;
  std::string uevent = "DRIVER=hid-generic\n";
  if (node.hidId) uevent += "HID_ID=" + *node.hidId + "\n";
  uevent += "HID_NAME=Test device\nHID_PHYS=usb-0000:00:14.0-1/input0\nHID_UNIQ=\n";
  WriteFile(hidDevice / "uevent", uevent);
  if (node.descriptor) WriteBytes(hidDevice / "report_descriptor", *node.descriptor);

  const std::string name = "hidraw" + std::to_string(node.number);
  const fs::path hidraw = hidDevice / "hidraw" / name;
  WriteFile(hidraw / "uevent", "MAJOR=241\nMINOR=" + std::to_string(node.number) +
                                   "\nDEVNAME=" + name + "\n");
  if (node.deviceLink) fs::create_directory_symlink("../..", hidraw / "device");
  fs::create_directories(root / "class/hidraw");
  fs::create_directory_symlink(fs::relative(hidraw, root / "class/hidraw"),
                               root / "class/hidraw" / name);
  return hidraw.string();
}

}  // namespace tr58k
