#include "device/linux/hidraw_errors.h"

#include <cerrno>

#include "device/hid_backend.h"

namespace tr58k {

// The link retries kNotReady, kCrc, kWriteFault, kInvalidParameter and
// kFunctionFailed (three retries, 50 ms apart) and gives up at once on the
// rest. The table puts each errno where that rule does the right thing:
//
//   EAGAIN, EBUSY          kNotReady          device or driver momentarily busy
//   EPROTO, EILSEQ         kCrc               garbled transfer (USB protocol/CRC error)
//   EIO                    kWriteFault        the transfer failed on the bus
//   EPIPE, ETIMEDOUT       kFunctionFailed    the device stalled or did not answer
//   EINVAL                 kInvalidParameter  the request was refused as malformed
//   ENODEV, ENXIO,
//   ESHUTDOWN, ENOENT      kDeviceNotConnected  the node or its device is gone
//   EACCES, EPERM          kAccessDenied      no permission (missing udev rule)
//   EBADF                  kInvalidHandle     not an open descriptor
//   anything else          kGeneralFailure
//
// EINVAL: hidraw also answers EINVAL for a length it cannot carry and for a
// report the device does not declare, which retrying cannot mend. It is still
// mapped to kInvalidParameter, the code the mouse's protocol retries for a
// refused request: some devices refuse a request while they switch modes
// (the bootloader hand-over), the cost of a hopeless retry is bounded at
// 150 ms, and lengths the ioctl cannot encode never reach the kernel
// (HidrawDevice refuses them itself).
//
// ENOENT is added to the gone-device row because opening a node that has
// just been removed fails with it. EINTR is not retried here: a feature
// request cut short by a signal may already have reached the device, and
// sending it again is the link's decision, not the backend's.
uint32_t HidErrorFromErrno(int err) {
  switch (err) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EBUSY:
      return hid_error::kNotReady;
    case EPROTO:
    case EILSEQ:
      return hid_error::kCrc;
    case EIO:
      return hid_error::kWriteFault;
    case EPIPE:
    case ETIMEDOUT:
      return hid_error::kFunctionFailed;
    case EINVAL:
      return hid_error::kInvalidParameter;
    case ENODEV:
    case ENXIO:
    case ESHUTDOWN:
    case ENOENT:
      return hid_error::kDeviceNotConnected;
    case EACCES:
    case EPERM:
      return hid_error::kAccessDenied;
    case EBADF:
      return hid_error::kInvalidHandle;
    default:
      return hid_error::kGeneralFailure;
  }
}

}  // namespace tr58k
