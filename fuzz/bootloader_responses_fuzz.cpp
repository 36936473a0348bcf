// The bootloader's answers, and the bus around them, as the fuzzer makes
// them (see fuzz_mouse.h). The input's first choices pick what runs: a whole
// update from normal mode, a transfer from the bootloader, the mode probe,
// or the bootloader commands one by one; each must keep the promises its
// header makes, whatever the mouse says.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "device/clock.h"
#include "firmware/bootloader_commands.h"
#include "firmware/firmware_image.h"
#include "firmware/firmware_messages.h"
#include "firmware/firmware_transfer.h"
#include "fuzz_check.h"
#include "fuzz_mouse.h"

namespace tr58k {
namespace {

class Recorder final : public FirmwareUpdateReporter {
 public:
  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  void SetProgress(int position) override { progress.push_back(position); }
  void EnableExitButton() override { ++exits; }
  std::vector<std::string> statuses;
  std::vector<int> progress;
  int exits = 0;
};

bool LinkClosed(const DeviceLink& link) { return !link.handle && link.connected == 0; }

// What every ending of an update body promises.
void CheckEnding(int result, const UpdateOutcome& outcome, const Recorder& shown,
                 const DeviceLink& link, const FuzzMouse& mouse, const FirmwareImage& image,
                 const ManualClock& clock) {
  FUZZ_CHECK(LinkClosed(link), "the link is left open after an update");
  FUZZ_CHECK(shown.exits >= 1, "the exit button was never enabled");
  FUZZ_CHECK(!shown.statuses.empty(), "the update ended without a word");
  for (size_t i = 0; i < shown.progress.size(); ++i) {
    FUZZ_CHECK(shown.progress[i] >= 2 && shown.progress[i] < 100, "progress out of 2..99");
    FUZZ_CHECK(i == 0 || shown.progress[i] >= shown.progress[i - 1], "progress went back");
  }
  const std::string& last = shown.statuses.back();
  switch (outcome.end) {
    case UpdateOutcome::End::kFailed:
      FUZZ_CHECK(last == kUpdateErrorText, "a failed update does not say so");
      break;
    case UpdateOutcome::End::kMouseLost:
      FUZZ_CHECK(result == 1 && last == kUpdateErrorText, "a lost mouse is not reported");
      break;
    case UpdateOutcome::End::kMouseBack:
      FUZZ_CHECK(result == 1 && last == UpdateDoneText(outcome.versionAfter),
                 "success without the version text");
      break;
  }
  if (outcome.end != UpdateOutcome::End::kFailed) {
    // "Every block written": the bus took a write of each of them.
    for (int i = 0; i < image.blockCount; ++i) {
      FUZZ_CHECK(mouse.Log().writtenBlocks.count(BlockNumber(i)) == 1,
                 "the transfer ran to its end without writing every block");
    }
    FUZZ_CHECK(shown.progress.size() == static_cast<size_t>(image.blockCount) + 1,
               "not one progress step per block");
  }
  for (const std::string& text : shown.statuses) {
    FUZZ_CHECK(text == kUpdateErrorText || text == kUpdatingText ||
                   text.rfind("更新完成，鼠标当前固件版本号：V", 0) == 0,
               "a status text the update never shows");
  }
  // Every wait is one of the fixed schedules: bounded, whatever the mouse does.
  const uint64_t bound = 300000 + 100000 * static_cast<uint64_t>(image.blockCount);
  FUZZ_CHECK(clock.NowMs() <= bound, "the update waited beyond its retry schedules");
}

// The result a status command must give, from what the bus did last.
uint8_t ExpectedStatus(const FuzzExchangeLog& log, size_t setsBefore, size_t getsBefore) {
  if (log.setError != hid_error::kNone) return 2;
  FUZZ_CHECK(log.sets > setsBefore, "a command sent nothing");
  if (log.gets == getsBefore || log.getError != hid_error::kNone) return 0;
  return log.answer[report::kStatus];
}

void RunOneCommand(FuzzedDataProvider& input, DeviceLink& link, FuzzMouse& mouse,
                   const FirmwareImage& image) {
  const FuzzExchangeLog& log = mouse.Log();
  const size_t sets = log.sets;
  const size_t gets = log.gets;
  const FirmwareBlock& block = image.blocks[0];
  const uint8_t number = input.ConsumeIntegral<uint8_t>();
  switch (input.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: {
      BootInfo info;
      info.fill(0xA5);
      const BootInfo before = info;
      const uint8_t result = ReadBootInfo(link, info);
      const uint8_t expected = ExpectedStatus(log, sets, gets);
      FUZZ_CHECK(result == expected, "ReadBootInfo's result is not the answer's status");
      const bool read = log.setError == hid_error::kNone && log.gets > gets &&
                        log.getError == hid_error::kNone;
      FUZZ_CHECK(read ? std::equal(info.begin(), info.end(), log.answer.begin() + boot::kBootInfo)
                      : info == before,
                 "ReadBootInfo handed out something other than what was read");
      break;
    }
    case 1:
      FUZZ_CHECK(BeginTransfer(link, image.beginValue, 1) == ExpectedStatus(log, sets, gets),
                 "BeginTransfer's result is not the answer's status");
      break;
    case 2:
      FUZZ_CHECK(WriteBlock(link, block, number) == ExpectedStatus(log, sets, gets),
                 "WriteBlock's result is not the answer's status");
      break;
    case 3: {
      const uint8_t result = SendFirstBlock(link, block);
      uint8_t expected = ExpectedStatus(log, sets, gets);
      const bool read = log.setError == hid_error::kNone && log.gets > gets &&
                        log.getError == hid_error::kNone;
      if (read && !std::equal(block.begin(), block.end(), log.answer.begin() + boot::kBlockData)) {
        expected = 2;
      }
      FUZZ_CHECK(result == expected, "SendFirstBlock judged the echo wrongly");
      break;
    }
    case 4: {
      LongReport out;
      out.fill(0x5A);
      const LongReport before = out;
      const uint8_t result = ReadBlock(link, out, number);
      FUZZ_CHECK(result == ExpectedStatus(log, sets, gets), "ReadBlock's result is not the status");
      FUZZ_CHECK(result == 1 ? std::equal(out.begin(), out.end(), log.answer.begin()) : out == before,
                 "ReadBlock handed out an answer it did not accept");
      break;
    }
    case 5:
      FUZZ_CHECK(FinishTransfer(link) == ExpectedStatus(log, sets, gets),
                 "FinishTransfer's result is not the answer's status");
      break;
    case 6: {
      const uint8_t result = EnterBootloader(link);
      const bool read = log.setError == hid_error::kNone && log.gets > gets &&
                        log.getError == hid_error::kNone;
      FUZZ_CHECK(result == (read ? 1 : 2), "EnterBootloader misjudged its answer");
      break;
    }
    case 7: {
      const uint8_t result = VerifyBlock(link, block, number);
      FUZZ_CHECK(result <= 2, "VerifyBlock gave a result it never promises");
      break;
    }
  }
}

FirmwareImage& Image() {
  static auto image = std::make_unique<FirmwareImage>();
  return *image;
}

}  // namespace
}  // namespace tr58k

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tr58k;
  FuzzedDataProvider input(data, size);
  const int scenario = input.ConsumeIntegralInRange<int>(0, 3);
  // One to three blocks: the same code as 21, at a fraction of the cost.
  const size_t imageSize = 1 + input.ConsumeIntegralInRange<size_t>(0, 3 * kFirmwareBlockSize - 1);
  std::vector<uint8_t> bytes(imageSize);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
  Recorder ignored;
  FirmwareImage& image = Image();
  FUZZ_CHECK(LoadFirmwareImage(image, bytes, ignored) == 1, "a small image was refused");

  const MouseMode start = scenario == 1 || scenario == 2 ? MouseMode::kBootloader : MouseMode::kNormal;
  ManualClock clock;
  FuzzMouse mouse(input, start);
  DeviceLink link(mouse, clock);
  Recorder shown;
  UpdateOutcome outcome;

  // FUZZ_SHOW=1 tells what an input did, when one is replayed by hand.
  struct Show {
    const int scenario;
    const FirmwareImage& image;
    const Recorder& shown;
    const ManualClock& clock;
    ~Show() {
      if (std::getenv("FUZZ_SHOW") == nullptr) return;
      std::fprintf(stderr, "scenario %d, %d blocks, %zu progress steps, %.1f s of waits, last text: %s\n",
                   scenario, image.blockCount, shown.progress.size(), clock.NowMs() / 1000.0,
                   shown.statuses.empty() ? "-" : shown.statuses.back().c_str());
    }
  } show{scenario, image, shown, clock};

  switch (scenario) {
    case 0: {
      if (OpenHidDevice(link, kMouseProductId) != 1) return 0;
      const int result = UpdateFromNormalMode(link, image, shown, &outcome);
      FUZZ_CHECK(result == 1 || outcome.end == UpdateOutcome::End::kFailed,
                 "UpdateFromNormalMode failed but the outcome says otherwise");
      CheckEnding(result, outcome, shown, link, mouse, image, clock);
      break;
    }
    case 1: {
      if (OpenHidDevice(link, kBootloaderProductId) != 1) return 0;
      const int result = TransferImage(link, image, shown, &outcome);
      FUZZ_CHECK((result == 0) == (outcome.end == UpdateOutcome::End::kFailed),
                 "TransferImage's result and outcome disagree");
      CheckEnding(result, outcome, shown, link, mouse, image, clock);
      break;
    }
    case 2: {
      if (OpenHidDevice(link, kBootloaderProductId) != 1) return 0;
      for (int i = 0; i < 32 && input.remaining_bytes() > 0; ++i) RunOneCommand(input, link, mouse, image);
      break;
    }
    case 3: {
      int mode = -1;
      const int found = ProbeUpdateMode(link, mode);
      if (found == 1) {
        FUZZ_CHECK(link.connected == 1 && link.handle, "the probe found the mouse but closed the link");
        FUZZ_CHECK(mode == (mouse.OpenedProduct() == kMouseProductId ? kModeNormal : kModeBootloader),
                   "the probe names another mode than the one it opened");
      } else {
        FUZZ_CHECK(found == 0 && mode == kModeNotFound && LinkClosed(link),
                   "a failed probe left a mode or an open link");
      }
      FUZZ_CHECK(clock.NowMs() <= 3000, "the probe waited more than twice 1500 ms");
      break;
    }
  }
  return 0;
}
