#include "cli/tr58kctl_app.h"

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "device/device_link.h"
#include "device/sim/simulated_mouse.h"
#include "i18n/language_choice.h"
#include "i18n/text_lookup.h"

namespace tr58k {

int RunTr58kctl(const std::vector<std::string>& args, const CliPlatform& platform,
                std::ostream& out, std::ostream& err) {
  ParseResult parsed = ParseCommandLine(args);
  // --language first, so that everything after it speaks the language it
  // names, the parser's own message included (hence parsing again).
  const std::string& option = parsed.options.language;
  const std::vector<std::string> languages =
      option.empty() ? platform.languages : SplitLanguageList(option);
  UseCatalogue(PickCatalogue(languages, CatalogueCodes()));
  if (!parsed.ok) {
    parsed = ParseCommandLine(args);
    err << "tr58kctl: " << parsed.error << '\n' << Tr("Try 'tr58kctl --help'.") << '\n';
    return kExitBadArguments;
  }
  const CliOptions& options = parsed.options;
  if (options.help) {
    out << HelpText(options.command);
    return kExitOk;
  }
  if (options.version) {
    out << VersionText();
    return kExitOk;
  }

  // The simulated mouse runs on simulated time: it is created fresh for
  // each run, so real waits would only make the command slow; every wait
  // still goes through the link and shows in --trace. A simulated firmware
  // update is the exception: it is there to be watched, so it keeps the
  // real pace of the update's waits (about a dozen seconds).
  ManualClock simulatedTime;
  const bool realPace = options.command == CliCommand::kFirmware && platform.clock != nullptr;
  Clock* clock = options.simulate && !realPace ? &simulatedTime : platform.clock;
  std::unique_ptr<HidBackend> backend;
  if (options.simulate) {
    backend = std::make_unique<SimulatedMouse>(*clock);
  } else if (platform.createBackend && clock) {
    backend = platform.createBackend();
  }
  if (!backend) {
    err << "tr58kctl: " << Tr("this system offers no way to reach HID devices; try --simulate.")
        << '\n';
    return kExitMouseNotFound;
  }

  DeviceLink link(*backend, *clock);
  // Images made for the simulated mouse go to the simulated mouse only.
  link.testImagesAllowed = options.simulate;
  if (options.trace) {
    link.trace = [&err](std::string_view line) { err << line << '\n' << std::flush; };
  }
  CliContext context{link, platform.profilePath, options.json, out, err};
  context.in = platform.in;
  context.terminal = platform.terminal;
  context.simulated = options.simulate;
  // Only a real mouse's update keeps the machine awake.
  std::unique_ptr<SleepInhibitor> inhibitor;
  if (options.command == CliCommand::kFirmware && !options.simulate && platform.createInhibitor) {
    inhibitor = platform.createInhibitor();
  }
  context.inhibitor = inhibitor.get();
  return RunCommand(options, context);
}

}  // namespace tr58k
