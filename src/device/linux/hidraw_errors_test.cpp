#include "device/linux/hidraw_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "device/hid_backend.h"

namespace tr58k {
namespace {

TEST(HidrawErrors, ErrnoTableAndWhatTheLinkRetries) {
  struct Row {
    int err;
    uint32_t code;
    bool retried;
  };
  const Row rows[] = {
      {EAGAIN, hid_error::kNotReady, true},
      {EBUSY, hid_error::kNotReady, true},
      {EPROTO, hid_error::kCrc, true},
      {EILSEQ, hid_error::kCrc, true},
      {EIO, hid_error::kWriteFault, true},
      {EPIPE, hid_error::kFunctionFailed, true},
      {ETIMEDOUT, hid_error::kFunctionFailed, true},
      {EINVAL, hid_error::kInvalidParameter, true},
      {ENODEV, hid_error::kDeviceNotConnected, false},
      {ENXIO, hid_error::kDeviceNotConnected, false},
      {ESHUTDOWN, hid_error::kDeviceNotConnected, false},
      {ENOENT, hid_error::kDeviceNotConnected, false},
      {EACCES, hid_error::kAccessDenied, false},
      {EPERM, hid_error::kAccessDenied, false},
      {EBADF, hid_error::kInvalidHandle, false},
      {ENOTTY, hid_error::kGeneralFailure, false},
      {EINTR, hid_error::kGeneralFailure, false},
      {ENOMEM, hid_error::kGeneralFailure, false},
      {EOVERFLOW, hid_error::kGeneralFailure, false},
      {0, hid_error::kGeneralFailure, false},
  };
  for (const Row& row : rows) {
    const uint32_t code = HidErrorFromErrno(row.err);
    EXPECT_EQ(code, row.code) << std::strerror(row.err);
    EXPECT_EQ(hid_error::IsRetryable(code), row.retried) << std::strerror(row.err);
  }
}

}  // namespace
}  // namespace tr58k
