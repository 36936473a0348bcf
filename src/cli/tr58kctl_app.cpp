#include "cli/tr58kctl_app.h"

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "device/device_link.h"
#include "device/sim/simulated_mouse.h"

namespace tr58k {

int RunTr58kctl(const std::vector<std::string>& args, const CliPlatform& platform,
                std::ostream& out, std::ostream& err) {
  const ParseResult parsed = ParseCommandLine(args);
  if (!parsed.ok) {
    err << "tr58kctl: " << parsed.error << "\nTry 'tr58kctl --help'.\n";
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
  // still goes through the link and shows in --trace.
  ManualClock simulatedTime;
  Clock* clock = options.simulate ? &simulatedTime : platform.clock;
  std::unique_ptr<HidBackend> backend;
  if (options.simulate) {
    backend = std::make_unique<SimulatedMouse>(simulatedTime);
  } else if (platform.createBackend && clock) {
    backend = platform.createBackend();
  }
  if (!backend) {
    err << "tr58kctl: this system offers no way to reach HID devices; "
           "try --simulate.\n";
    return kExitMouseNotFound;
  }

  DeviceLink link(*backend, *clock);
  if (options.trace) {
    link.trace = [&err](std::string_view line) { err << line << '\n' << std::flush; };
  }
  CliContext context{link, platform.profilePath, options.json, out, err};
  return RunCommand(options, context);
}

}  // namespace tr58k
