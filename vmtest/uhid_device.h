// One HID device created through /dev/uhid: the kernel shows it on the HID
// bus (a hid device, a hidraw node, an input device where the descriptor
// has inputs) until it is destroyed. Feature-report requests that programs
// make on its hidraw node come back here as events to answer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tr58k {

struct UhidDeviceSpec {
  std::string name;
  std::string phys;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
  std::vector<uint8_t> reportDescriptor;
};

enum class UhidEventKind { kGetReport, kSetReport, kOther };

struct UhidEvent {
  UhidEventKind kind = UhidEventKind::kOther;
  uint32_t id = 0;                // to answer with
  uint8_t reportId = 0;
  bool feature = false;           // a feature report (not output or input)
  std::vector<uint8_t> data;      // set: the bytes as sent, report id first
};

class UhidDevice {
 public:
  // Creates the device on the USB bus type. Returns nullptr and sets *err
  // (errno) when /dev/uhid cannot be opened or refuses the device.
  static std::unique_ptr<UhidDevice> Create(const UhidDeviceSpec& item, int* err);
  // Destroys the device: the kernel removes it, failing any pending request.
  ~UhidDevice();
  UhidDevice(const UhidDevice&) = delete;
  UhidDevice& operator=(const UhidDevice&) = delete;

  // Readable when an event waits.
  int Fd() const { return fd_; }
  // Reads one event. Returns false when none could be read.
  bool ReadEvent(UhidEvent* event);
  // Answers a set request; ok false makes the caller's ioctl fail (EIO).
  bool AnswerSet(uint32_t id, bool ok);
  // Answers a get request with `data` (report id first); the kernel hands
  // the caller at most what it asked for. ok false: the ioctl fails (EIO).
  bool AnswerGet(uint32_t id, bool ok, std::span<const uint8_t> data);

 private:
  explicit UhidDevice(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace tr58k
