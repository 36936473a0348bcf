// How Linux errors from hidraw (open and the feature-report ioctls) become
// the link's failure codes (hid_error), which decide what the link retries.
#pragma once

#include <cstdint>

namespace tr58k {

// Returns the hid_error code for an errno value; kGeneralFailure for any
// errno the table does not name (and for 0, which is not an error).
uint32_t HidErrorFromErrno(int err);

}  // namespace tr58k
