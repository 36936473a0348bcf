// The firmware update on the device link: finding the mouse in either of its
// identities, switching it into its bootloader, writing and checking every
// block, and finding it again in normal mode. Every wait goes through the
// link's clock; the attempts and waits of each step are fixed (see the .cpp).
#pragma once

#include <cstdint>

#include "device/device_link.h"
#include "firmware/bootloader_commands.h"
#include "firmware/firmware_image.h"
#include "firmware/update_reporter.h"

namespace tr58k {

// The mouse's mode as ProbeUpdateMode finds it.
inline constexpr int kModeNotFound = 0;
inline constexpr int kModeNormal = 1;
inline constexpr int kModeBootloader = 2;

// How an update ended, for callers that need more than the worker bodies'
// results (tr58kctl's exit status, the window's refresh afterwards).
struct UpdateOutcome {
  enum class End {
    kFailed,        // a step ran out of attempts, or the image was refused
    kMouseLost,     // every block written and finished, but the mouse did not come back
    kMouseBack,     // finished, and the mouse came back in normal mode
  };
  End end = End::kFailed;
  uint16_t versionAfter = 0;  // ReadFirmwareVersion() when kMouseBack
  int unverifiedBlocks = 0;   // blocks whose check and rewrite both failed
};

// Opens the mouse (product 0x5837); when absent, closes the link and looks
// for its bootloader (product 0x5836): 2 attempts, 1500 ms after each that
// fails. Returns 1 with `mode` 1 (normal, link open) or 2 (bootloader, link
// open); 0 with `mode` 0 and the link closed when neither was found.
int ProbeUpdateMode(DeviceLink& link, int& mode);

// Reads the block back and compares bytes and checksum; on a difference
// writes it again, up to 10 attempts (after a busy answer to attempt k,
// 100*k ms). Returns 1 verified or rewritten, 0 when the read-back failed
// (nothing rewritten), 2 when all 10 rewrites failed.
uint8_t VerifyBlock(DeviceLink& link, const FirmwareBlock& block, uint8_t blockNumber);

// The update from normal mode, the link open to the mouse: EnterBootloader,
// close, discover the bootloader, SendFirstBlock, ReadBootInfo and its
// identity check, then TransferImage. Returns 1 once it handed over to
// TransferImage (whatever that returned), 0 on failure: the exit button
// enabled, "固件更新出现错误，请重试！" set, the link closed.
int UpdateFromNormalMode(DeviceLink& link, const FirmwareImage& image,
                         FirmwareUpdateReporter& reporter, UpdateOutcome* outcome = nullptr);

// The transfer, the link open to the bootloader: BeginTransfer, every block
// written and verified with the progress after each, FinishTransfer, and the
// mouse found again in normal mode ("更新完成，鼠标当前固件版本号：V…", or
// the error text when it does not come back). Returns 0 when a step failed
// (the failure ending as above), 1 when the transfer ran to its end. The
// link is closed in every case.
int TransferImage(DeviceLink& link, const FirmwareImage& image, FirmwareUpdateReporter& reporter,
                  UpdateOutcome* outcome = nullptr);

// False for an image made for the simulated mouse (IsTestImage) unless the
// link allows such images (DeviceLink::testImagesAllowed): it is never sent
// to a real mouse. The two update bodies refuse it (the failure ending)
// before any traffic.
bool ImageMayGoTo(const FirmwareImage& image, const DeviceLink& link);

}  // namespace tr58k
