// tr58kctl firmware: the update the window's "固件更新" runs, from a
// terminal. The image is loaded and the mouse found before anything is
// asked; the question names what was found and warns about the cable.
#include <memory>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_messages.h"
#include "cli/firmware_progress.h"
#include "cli/settings_report.h"
#include "device/sim/simulated_firmware_image.h"
#include "firmware/firmware_messages.h"
#include "firmware/firmware_worker.h"
#include "i18n/text_lookup.h"

namespace tr58k {

namespace {

// Loads the image the options name. Returns 0 with the exit status in
// *status when it cannot be had.
int LoadImageFor(const CliOptions& options, CliContext& context, FirmwareImage& image,
                 FirmwareUpdateReporter& reporter, int* status) {
  if (!options.imagePath.empty()) {
    if (LoadFirmwareImageFile(image, options.imagePath, reporter) == 1) return 1;
    context.err << "tr58kctl: "
                << Format(Tr("%1 cannot be read, is empty, or is larger than 122880 bytes (120 "
                             "blocks of 1024); nothing was sent."),
                          {QuoteForTerminal(options.imagePath)})
                << '\n';
    *status = kExitBadArguments;
    return 0;
  }
  if (context.simulated) return LoadFirmwareImage(image, ImageForSimulatedUpdate(), reporter);
  if (LoadFirmwareImage(image, reporter) == 1) return 1;
  context.err << "tr58kctl: "
              << Tr("this build of the program carries no firmware image (it was configured "
                    "without TR58K_FIRMWARE_IMAGE); give one with --image FILE.")
              << '\n';
  *status = kExitCommandFailed;
  return 0;
}

bool Confirmed(CliContext& context, int mode, uint16_t version, const FirmwareImage& image) {
  const auto size = static_cast<unsigned long>(image.size);
  const auto blockCount = static_cast<unsigned long>(image.blockCount);
  const std::string bytes = Format(TrN("%1 byte", "%1 bytes", size), {std::to_string(size)});
  const std::string blocks =
      Format(TrN("%1 block", "%1 blocks", blockCount), {std::to_string(blockCount)});
  if (mode == kModeNormal) {
    // TRANSLATORS: %1 is the firmware version (V0.26), %2 the image's size
    // ("21504 bytes"), %3 its blocks ("21 blocks").
    context.err << Format(Tr("The mouse (firmware %1) will be updated with an image of %2 (%3)."),
                          {FormatFirmwareVersion(version), bytes, blocks});
  } else {
    context.err << Format(Tr("The mouse, waiting in its bootloader, will be updated with an image "
                             "of %1 (%2)."),
                          {bytes, blocks});
  }
  // TRANSLATORS: %1 is the update window's own warning, as it shows it.
  context.err << '\n'
              << Format(Tr("Do not unplug the mouse while the update runs (%1)."),
                        {Tr(kUpdatingText)})
              << '\n'
              // TRANSLATORS: keep [y/N]: the answer is read as y or yes.
              << Tr("Update the firmware now? [y/N] ") << std::flush;
  std::string answer;
  if (context.in == nullptr || !std::getline(*context.in, answer)) {
    context.err << '\n';
    return false;
  }
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

int ReportNotFound(CliContext& context) {
  if (context.link.lastOpenError == hid_error::kAccessDenied) {
    context.err << AccessDeniedMessage(context.link.lastOpenErrorPath);
    return kExitAccessDenied;
  }
  context.err << "tr58kctl: "
              << Tr("neither the mouse nor its bootloader was found; nothing was sent.") << '\n';
  return kExitMouseNotFound;
}

int ReportOutcome(CliContext& context, const UpdateOutcome& outcome) {
  switch (outcome.end) {
    case UpdateOutcome::End::kMouseBack:
      if (outcome.unverifiedBlocks > 0) {
        context.err << "tr58kctl: "
                    << Format(TrN("warning: %1 block could not be checked after writing; the "
                                  "mouse restarted with its new firmware all the same.",
                                  "warning: %1 blocks could not be checked after writing; the "
                                  "mouse restarted with its new firmware all the same.",
                                  static_cast<unsigned long>(outcome.unverifiedBlocks)),
                              {std::to_string(outcome.unverifiedBlocks)})
                    << '\n';
      }
      return kExitOk;
    case UpdateOutcome::End::kMouseLost:
      context.err << "tr58kctl: "
                  << Tr("the image was written, but the mouse did not come back in normal mode. "
                        "Unplug it, plug it in again and check with 'tr58kctl info'.")
                  << '\n';
      return kExitCommandFailed;
    case UpdateOutcome::End::kFailed:
      break;
  }
  context.err << "tr58kctl: "
              << Tr("the firmware update failed. If the mouse is left in its bootloader, "
                    "'tr58kctl firmware' finishes the update.")
              << '\n';
  return kExitCommandFailed;
}

}  // namespace

int RunFirmware(const CliOptions& options, CliContext& context) {
  TextProgressReporter reporter(context.out, context.terminal);
  // About 120 KiB: not on the stack of whoever runs the command.
  auto image = std::make_unique<FirmwareImage>();
  int status = kExitOk;
  if (!LoadImageFor(options, context, *image, reporter, &status)) return status;
  if (!ImageMayGoTo(*image, context.link)) {
    context.err << "tr58kctl: "
                << Tr("this is a test image made for the simulated mouse; it is never sent to a "
                      "real one (try --simulate). Nothing was sent.")
                << '\n';
    return kExitBadArguments;
  }

  int mode = kModeNotFound;
  if (ProbeUpdateMode(context.link, mode) != 1) {
    reporter.EnableExitButton();
    reporter.SetStatusText(Tr(kMouseNotDetectedText));
    return ReportNotFound(context);
  }
  const uint16_t versionBefore = ReadFirmwareVersion(context.link);
  if (!options.assumeYes && !Confirmed(context, mode, versionBefore, *image)) {
    CloseHidDevice(context.link);
    context.err << "tr58kctl: "
                << Tr("not confirmed; nothing was sent. Use --yes to update without being asked.")
                << '\n';
    return kExitNotConfirmed;
  }
  if (mode == kModeNormal) reporter.SetStatusText(UpdateStartText(versionBefore));
  const UpdateOutcome outcome =
      RunUpdateWorker(context.link, *image, mode, reporter, context.inhibitor);
  return ReportOutcome(context, outcome);
}

}  // namespace tr58k
