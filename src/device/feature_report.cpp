// Feature-report exchange: the retry rule for transient failure codes and
// the busy poll. Every operation holds the link's lock for its whole length.
#include <algorithm>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/link_trace.h"

namespace tr58k {

namespace {

constexpr int kErrorRetries = 3;
constexpr uint32_t kErrorRetryWaitMs = 50;
constexpr int kBusyPolls = 10;
constexpr uint32_t kBusyWaitStepMs = 100;

void TraceFailure(const DeviceLink& link, const char* direction, uint32_t code) {
  detail::Trace(link, std::string("fail ") + direction + " " + std::to_string(code));
}

// Windows may refuse a feature buffer shorter than the longest feature
// report of the interface (87; 23 on some versions). The exchange is then
// made again zero-padded to that length.
size_t PaddedLength(const DeviceLink& link, uint32_t code, size_t length) {
  if (code != hid_error::kInvalidParameter && code != hid_error::kCrc) return 0;
  const size_t padded = link.handle ? link.handle->FeatureReportLength() : 0;
  return padded > length ? padded : 0;
}

void TracePadding(const DeviceLink& link, const char* direction, size_t length, size_t padded) {
  detail::Trace(link, std::string("pad ") + direction + " " + std::to_string(length) + " " +
                          std::to_string(padded));
}

uint32_t CallSet(DeviceLink& link, const uint8_t* report, size_t length) {
  uint32_t code = link.handle ? link.handle->SetFeature(report, length)
                              : hid_error::kInvalidHandle;
  if (code == hid_error::kNone) {
    detail::Trace(link, detail::FormatReportLine("set", report, length));
  } else {
    TraceFailure(link, "set", code);
  }
  return code;
}

// `padTo` is 0 until the device has refused the report's own length in this
// exchange; from then on every attempt sends the padded form.
uint32_t AttemptSet(DeviceLink& link, const uint8_t* report, size_t length, size_t& padTo) {
  if (padTo == 0) {
    const uint32_t code = CallSet(link, report, length);
    padTo = PaddedLength(link, code, length);
    if (padTo == 0) return code;
    TracePadding(link, "set", length, padTo);
  }
  std::vector<uint8_t> padded(padTo, 0);
  std::copy(report, report + length, padded.begin());
  return CallSet(link, padded.data(), padded.size());
}

void TraceGet(const DeviceLink& link, uint32_t code, const uint8_t* report, size_t length) {
  if (code == hid_error::kNone) {
    detail::Trace(link, detail::FormatReportLine("get", report, length));
  } else {
    TraceFailure(link, "get", code);
  }
}

// A failed read may leave anything in the buffer, so byte 0 is set again to
// the report id before every read. A padded read goes into a fresh zeroed
// buffer, of which the caller gets its own length.
uint32_t AttemptGet(DeviceLink& link, uint8_t reportId, uint8_t* report, size_t length,
                    size_t& padTo) {
  if (padTo == 0) {
    report[0] = reportId;
    const uint32_t code = link.handle ? link.handle->GetFeature(report, length)
                                      : hid_error::kInvalidHandle;
    TraceGet(link, code, report, length);
    padTo = PaddedLength(link, code, length);
    if (padTo == 0) return code;
    TracePadding(link, "get", length, padTo);
  }
  std::vector<uint8_t> padded(padTo, 0);
  padded[0] = reportId;
  const uint32_t code = link.handle ? link.handle->GetFeature(padded.data(), padded.size())
                                    : hid_error::kInvalidHandle;
  if (code == hid_error::kNone) std::copy(padded.begin(), padded.begin() + length, report);
  TraceGet(link, code, report, length);
  return code;
}

// Up to three more attempts after a retryable first failure, 50 ms after
// each one that fails. Returns 1 at the first success.
template <typename Attempt>
int RetryAfterError(DeviceLink& link, uint32_t firstCode, Attempt attempt) {
  if (!hid_error::IsRetryable(firstCode)) return 0;
  for (int retry = 0; retry < kErrorRetries; ++retry) {
    if (attempt() == hid_error::kNone) return 1;
    link.Sleep(kErrorRetryWaitMs);
  }
  return 0;
}

}  // namespace

int SendFeatureReport(DeviceLink& link, const uint8_t* report, size_t length) {
  if (report == nullptr || length == 0) return 0;
  auto lock = link.Lock();
  size_t padTo = 0;
  auto attempt = [&] { return AttemptSet(link, report, length, padTo); };
  uint32_t code = attempt();
  if (code == hid_error::kNone) return 1;
  return RetryAfterError(link, code, attempt);
}

int ReceiveFeatureReport(DeviceLink& link, uint8_t* report, size_t length) {
  if (report == nullptr || length < 2) return 0;
  auto lock = link.Lock();
  const uint8_t reportId = report[0];
  size_t padTo = 0;
  auto attempt = [&] { return AttemptGet(link, reportId, report, length, padTo); };

  uint32_t code = attempt();
  if (code != hid_error::kNone) return RetryAfterError(link, code, attempt);
  if (report[report::kStatus] != report::kStatusBusy) return 1;

  // Busy: ten more reads, sleeping 0, 100, ... 900 ms after each one that is
  // still busy (4.5 s at most).
  int lastRead = 1;
  for (int poll = 0; poll < kBusyPolls; ++poll) {
    const uint32_t wait = kBusyWaitStepMs * static_cast<uint32_t>(poll);
    code = attempt();
    lastRead = code == hid_error::kNone ? 1 : 0;
    if (!lastRead) continue;
    const uint8_t status = report[report::kStatus];
    if (status == report::kStatusDone) return 1;
    if (status == report::kStatusBusy) link.Sleep(wait);
  }
  return lastRead;
}

}  // namespace tr58k
