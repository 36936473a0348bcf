#include "device/hid_backend.h"

namespace tr58k::hid_error {

bool IsRetryable(uint32_t code) {
  switch (code) {
    case kNotReady:
    case kCrc:
    case kWriteFault:
    case kInvalidParameter:
    case kFunctionFailed:
      return true;
    default:
      return false;
  }
}

}  // namespace tr58k::hid_error
