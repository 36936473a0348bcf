// Feature-report exchange: the retry rule for transient failure codes and
// the busy poll. Every operation holds the link's lock for its whole length.
#include <string>

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

uint32_t AttemptSet(DeviceLink& link, const uint8_t* report, size_t length) {
  uint32_t code = link.handle ? link.handle->SetFeature(report, length)
                              : hid_error::kInvalidHandle;
  if (code == hid_error::kNone) {
    detail::Trace(link, detail::FormatReportLine("set", report, length));
  } else {
    TraceFailure(link, "set", code);
  }
  return code;
}

// A failed read may leave anything in the buffer, so byte 0 is set again to
// the report id before every read.
uint32_t AttemptGet(DeviceLink& link, uint8_t reportId, uint8_t* report, size_t length) {
  report[0] = reportId;
  uint32_t code = link.handle ? link.handle->GetFeature(report, length)
                              : hid_error::kInvalidHandle;
  if (code == hid_error::kNone) {
    detail::Trace(link, detail::FormatReportLine("get", report, length));
  } else {
    TraceFailure(link, "get", code);
  }
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
  auto attempt = [&] { return AttemptSet(link, report, length); };
  uint32_t code = attempt();
  if (code == hid_error::kNone) return 1;
  return RetryAfterError(link, code, attempt);
}

int ReceiveFeatureReport(DeviceLink& link, uint8_t* report, size_t length) {
  if (report == nullptr || length < 2) return 0;
  auto lock = link.Lock();
  const uint8_t reportId = report[0];
  auto attempt = [&] { return AttemptGet(link, reportId, report, length); };

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
