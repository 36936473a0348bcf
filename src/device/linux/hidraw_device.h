// One open hidraw node: feature reports through HIDIOCSFEATURE and
// HIDIOCGFEATURE on a descriptor opened O_RDWR | O_CLOEXEC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "device/hid_backend.h"

namespace tr58k {

// The ioctl call, replaceable so tests can play the kernel's part.
// Returns what ioctl(2) returns, with errno set on -1.
using HidrawIoctl = int (*)(int fd, unsigned long request, void* argument);

// The largest report the ioctl's 14-bit size field can describe.
inline constexpr size_t kMaxHidrawFeatureLength = 16383;

class HidrawDevice final : public HidDevice {
 public:
  // Takes ownership of fd (closed on destruction unless negative).
  explicit HidrawDevice(int fd, HidrawIoctl ioctlCall = nullptr);
  ~HidrawDevice() override;
  HidrawDevice(const HidrawDevice&) = delete;
  HidrawDevice& operator=(const HidrawDevice&) = delete;

  // Both return kNone only when the kernel moved exactly `length` bytes
  // (report id included). A null buffer, a zero length or one above
  // kMaxHidrawFeatureLength gives kInvalidParameter without a call; a short
  // transfer gives kFunctionFailed; an ioctl error is mapped with
  // HidErrorFromErrno.
  uint32_t SetFeature(const uint8_t* data, size_t length) override;
  uint32_t GetFeature(uint8_t* data, size_t length) override;

 private:
  uint32_t Transfer(unsigned long request, uint8_t* data, size_t length);

  int fd_;
  HidrawIoctl ioctl_;
};

// Opens a hidraw node for reading and writing. Returns nullptr on failure
// with *error (when error is not null) set: kAccessDenied when permission is
// missing, kDeviceNotConnected when the node does not exist (any more),
// otherwise the HidErrorFromErrno code. On success *error is kNone.
std::unique_ptr<HidDevice> OpenHidrawNode(const std::string& path, uint32_t* error);

// The request numbers used for a report of `length` bytes.
unsigned long HidrawSetFeatureRequest(size_t length);
unsigned long HidrawGetFeatureRequest(size_t length);

}  // namespace tr58k
