#include "firmware/firmware_transfer.h"

#include <algorithm>
#include <array>

#include "firmware/firmware_messages.h"

namespace tr58k {

namespace {

// Attempts and the wait after each failed attempt, step by step. A wait of
// 0 means none.
constexpr std::array<uint32_t, 2> kProbeBootloaderWaits = {1500, 1500};
constexpr std::array<uint32_t, 5> kEnterBootloaderWaits = {0, 1000, 2000, 3000, 4000};
constexpr int kBootloaderDiscoveryAttempts = 101;
constexpr uint32_t kBootloaderDiscoveryWaitMs = 1000;
constexpr std::array<uint32_t, 4> kSendFirstBlockWaits = {70, 140, 210, 280};
constexpr std::array<uint32_t, 4> kReadBootInfoWaits = {70, 140, 210, 280};
constexpr std::array<uint32_t, 4> kBeginTransferWaits = {50, 100, 150, 200};
constexpr std::array<uint32_t, 5> kWriteBlockWaits = {100, 100, 100, 100, 100};
constexpr std::array<uint32_t, 4> kFinishTransferWaits = {50, 100, 150, 200};
constexpr std::array<uint32_t, 11> kNormalDiscoveryWaits = {0,    500,  1000, 1500, 2000, 2500,
                                                            3000, 3500, 4000, 4500, 5000};
constexpr int kRewriteAttempts = 10;
constexpr uint32_t kRewriteBusyStepMs = 100;

constexpr uint32_t kSettleAfterDiscoveryMs = 3000;
constexpr uint32_t kPauseBeforeTransferMs = 1000;
constexpr uint32_t kPauseAfterBeginMs = 500;
constexpr uint32_t kPauseAfterBlockMs = 100;
constexpr uint32_t kPauseBeforeFinishMs = 300;
constexpr uint32_t kPauseBeforeCompareMs = 30;
constexpr int kFirstProgress = 2;

void Wait(DeviceLink& link, uint32_t ms) {
  if (ms > 0) link.Sleep(ms);
}

// Runs `attempt` until it succeeds, waiting waits[k] after failed attempt k.
template <size_t N, typename Attempt>
bool Retry(DeviceLink& link, const std::array<uint32_t, N>& waits, Attempt attempt) {
  for (uint32_t wait : waits) {
    if (attempt()) return true;
    Wait(link, wait);
  }
  return false;
}

int FailureEnding(DeviceLink& link, FirmwareUpdateReporter& reporter, UpdateOutcome* outcome) {
  reporter.EnableExitButton();
  reporter.SetStatusText(Tr(kUpdateErrorText));
  CloseHidDevice(link);
  if (outcome) outcome->end = UpdateOutcome::End::kFailed;
  return 0;
}

bool Open(DeviceLink& link, uint16_t productId) { return OpenHidDevice(link, productId) == 1; }

}  // namespace

bool ImageMayGoTo(const FirmwareImage& image, const DeviceLink& link) {
  return !IsTestImage(image) || link.testImagesAllowed;
}

int ProbeUpdateMode(DeviceLink& link, int& mode) {
  if (Open(link, kMouseProductId)) {
    mode = kModeNormal;
    return 1;
  }
  CloseHidDevice(link);
  if (Retry(link, kProbeBootloaderWaits, [&] { return Open(link, kBootloaderProductId); })) {
    mode = kModeBootloader;
    return 1;
  }
  mode = kModeNotFound;
  return 0;
}

uint8_t VerifyBlock(DeviceLink& link, const FirmwareBlock& block, uint8_t blockNumber) {
  const uint16_t checksum = BlockChecksum(block);
  LongReport readBack{};
  if (ReadBlock(link, readBack, blockNumber) != 1) return 0;
  Wait(link, kPauseBeforeCompareMs);

  const uint16_t mouseChecksum = static_cast<uint16_t>(
      readBack[boot::kReadBackChecksum] | readBack[boot::kReadBackChecksum + 1] << 8);
  const bool same = std::equal(block.begin(), block.end(), readBack.begin() + boot::kReadBackData);
  if (same && mouseChecksum == checksum) return 1;

  for (int k = 0; k < kRewriteAttempts; ++k) {
    const uint8_t result = WriteBlock(link, block, blockNumber);
    if (result == 1) return 1;
    if (result == report::kStatusBusy) Wait(link, kRewriteBusyStepMs * static_cast<uint32_t>(k));
  }
  return 2;
}

int UpdateFromNormalMode(DeviceLink& link, const FirmwareImage& image,
                         FirmwareUpdateReporter& reporter, UpdateOutcome* outcome) {
  if (!ImageMayGoTo(image, link) || image.blockCount <= 0) {
    return FailureEnding(link, reporter, outcome);
  }
  if (!Retry(link, kEnterBootloaderWaits, [&] { return EnterBootloader(link) == 1; })) {
    return FailureEnding(link, reporter, outcome);
  }
  // The mouse is leaving normal mode: its handle is of no more use.
  CloseHidDevice(link);

  bool found = false;
  for (int attempt = 0; attempt < kBootloaderDiscoveryAttempts && !found; ++attempt) {
    found = Open(link, kBootloaderProductId);
    if (!found) link.Sleep(kBootloaderDiscoveryWaitMs);
  }
  if (!found) return FailureEnding(link, reporter, outcome);
  link.Sleep(kSettleAfterDiscoveryMs);

  if (!Retry(link, kSendFirstBlockWaits, [&] { return SendFirstBlock(link, image.blocks[0]) == 1; })) {
    return FailureEnding(link, reporter, outcome);
  }
  BootInfo info{};
  if (!Retry(link, kReadBootInfoWaits, [&] { return ReadBootInfo(link, info) == 1; })) {
    return FailureEnding(link, reporter, outcome);
  }
  if (BootInfoVendorId(info) != kVendorId || BootInfoProductId(info) != kBootloaderProductId) {
    return FailureEnding(link, reporter, outcome);
  }
  link.Sleep(kPauseBeforeTransferMs);
  TransferImage(link, image, reporter, outcome);
  return 1;
}

int TransferImage(DeviceLink& link, const FirmwareImage& image, FirmwareUpdateReporter& reporter,
                  UpdateOutcome* outcome) {
  if (!ImageMayGoTo(image, link) || image.blockCount <= 0 ||
      image.blockCount > kMaxFirmwareBlocks) {
    return FailureEnding(link, reporter, outcome);
  }
  const auto countByte = static_cast<uint8_t>(image.blockCount & 0xFF);
  if (!Retry(link, kBeginTransferWaits,
             [&] { return BeginTransfer(link, image.beginValue, countByte) == 1; })) {
    return FailureEnding(link, reporter, outcome);
  }
  reporter.SetStatusText(Tr(kUpdatingText));
  reporter.SetProgress(kFirstProgress);
  link.Sleep(kPauseAfterBeginMs);

  int unverified = 0;
  for (int i = 0; i < image.blockCount; ++i) {
    const FirmwareBlock& block = image.blocks[static_cast<size_t>(i)];
    const uint8_t number = BlockNumber(i);
    if (!Retry(link, kWriteBlockWaits, [&] { return WriteBlock(link, block, number) == 1; })) {
      return FailureEnding(link, reporter, outcome);
    }
    // A block that cannot be checked or rewritten does not stop the
    // transfer; the bootloader has the last word when the mouse restarts.
    if (VerifyBlock(link, block, number) != 1) ++unverified;
    reporter.SetProgress(100 * i / image.blockCount + kFirstProgress);
    link.Sleep(kPauseAfterBlockMs);
  }
  link.Sleep(kPauseBeforeFinishMs);
  if (!Retry(link, kFinishTransferWaits, [&] { return FinishTransfer(link) == 1; })) {
    return FailureEnding(link, reporter, outcome);
  }

  const bool back = Retry(link, kNormalDiscoveryWaits, [&] { return Open(link, kMouseProductId); });
  uint16_t version = 0;
  if (back) {
    version = ReadFirmwareVersion(link);
    reporter.SetStatusText(UpdateDoneText(version));
    reporter.EnableExitButton();
  } else {
    reporter.EnableExitButton();
    reporter.SetStatusText(Tr(kUpdateErrorText));
  }
  CloseHidDevice(link);
  if (outcome) {
    outcome->end = back ? UpdateOutcome::End::kMouseBack : UpdateOutcome::End::kMouseLost;
    outcome->versionAfter = version;
    outcome->unverifiedBlocks = unverified;
  }
  return 1;
}

}  // namespace tr58k
