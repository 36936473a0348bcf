// Test helpers: a temporary folder, and fake sysfs trees laid out the way the
// kernel lays out hidraw, HID, USB interface and USB device folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tr58k {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

enum class FakeBus {
  kUsb,        // .../usb1/1-P (usb_device) / 1-P:1.I (usb_interface) / HID device
  kBluetooth,  // under a USB Bluetooth adapter's hci folder (bus 0005)
  kVirtual,    // devices/virtual/misc/uhid / HID device
};

struct FakeHidraw {
  int number = 0;                                   // hidrawN
  FakeBus bus = FakeBus::kUsb;
  int usbPort = 1;                                  // the "1-P" of the USB device
  int usbInterface = 0;                             // the "I" of "1-P:1.I"
  std::string hidName = "0003:4C95:5837.0001";      // the HID device folder
  std::optional<std::string> hidId = "0003:00004C95:00005837";  // nullopt: no HID_ID line
  std::optional<std::vector<uint8_t>> descriptor;   // nullopt: no report_descriptor file
  std::optional<std::string> bcdDevice = "0026\n";  // nullopt: no bcdDevice file
  bool deviceLink = true;                           // the hidraw folder's "device" link
};

// Builds one node under sysfsRoot (devices tree plus class/hidraw link) and
// returns the hidraw folder's syspath.
std::string AddFakeHidraw(const std::string& sysfsRoot, const FakeHidraw& node);

}  // namespace tr58k
