#include "device/linux/hidraw_device.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "device/linux/hidraw_errors.h"

namespace tr58k {
namespace {

int SystemIoctl(int fd, unsigned long request, void* argument) {
  return ::ioctl(fd, request, argument);
}

}  // namespace

unsigned long HidrawSetFeatureRequest(size_t length) {
  return HIDIOCSFEATURE(length);
}

unsigned long HidrawGetFeatureRequest(size_t length) {
  return HIDIOCGFEATURE(length);
}

HidrawDevice::HidrawDevice(int fd, HidrawIoctl ioctlCall)
    : fd_(fd), ioctl_(ioctlCall != nullptr ? ioctlCall : &SystemIoctl) {}

HidrawDevice::~HidrawDevice() {
  if (fd_ >= 0) ::close(fd_);
}

uint32_t HidrawDevice::Transfer(unsigned long request, uint8_t* data, size_t length) {
  const int result = ioctl_(fd_, request, data);
  if (result < 0) return HidErrorFromErrno(errno);
  // A report that only partly crossed the control pipe is a failed
  // transfer; it is reported as such so the link retries it.
  if (static_cast<size_t>(result) != length) return hid_error::kFunctionFailed;
  return hid_error::kNone;
}

uint32_t HidrawDevice::SetFeature(const uint8_t* data, size_t length) {
  if (data == nullptr || length == 0 || length > kMaxHidrawFeatureLength) {
    return hid_error::kInvalidParameter;
  }
  // The kernel only reads the buffer of a set request.
  return Transfer(HidrawSetFeatureRequest(length), const_cast<uint8_t*>(data), length);
}

uint32_t HidrawDevice::GetFeature(uint8_t* data, size_t length) {
  if (data == nullptr || length == 0 || length > kMaxHidrawFeatureLength) {
    return hid_error::kInvalidParameter;
  }
  return Transfer(HidrawGetFeatureRequest(length), data, length);
}

std::unique_ptr<HidDevice> OpenHidrawNode(const std::string& path, uint32_t* error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (error != nullptr) *error = HidErrorFromErrno(errno);
    return nullptr;
  }
  if (error != nullptr) *error = hid_error::kNone;
  return std::make_unique<HidrawDevice>(fd);
}

}  // namespace tr58k
