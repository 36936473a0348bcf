#include "vmtest/uhid_mouse_options.h"

#include <charconv>
#include <cstdint>

namespace tr58k {

const char* const kUhidMouseUsage =
    "Usage: tr58k-uhid-mouse [--mode normal|bootloader] [--version HEX]\n"
    "         [--busy-every N [--busy-count K]] [--unplug-at CMD[:N]]\n"
    "         [--mute-at CMD[:N]]\n"
    "         [--replug-after MS] [--log FILE] [--pid-file FILE]\n"
    "         [--wait-for-release] [--a1-long]\n"
    "A virtual ZEMO TR-58K on /dev/uhid. SIGUSR1 pulls it out, SIGUSR2 plugs\n"
    "it in, SIGTERM ends it. --wait-for-release: after removing an interface,\n"
    "wait (up to 10 s) until no process holds its hidraw node open before the\n"
    "next interface goes or comes. --a1-long: the descriptor declares report\n"
    "0xA1 at the long form's 1041 bytes instead of 64.\n";

namespace {

template <typename T>
bool ParseNumber(const std::string& text, int base, T max, T* out) {
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, base);
  if (text.empty() || result.ec != std::errc() || result.ptr != end || value > max) return false;
  *out = static_cast<T>(value);
  return true;
}

}  // namespace

std::optional<UhidMouseCommandLine> ParseUhidMouseArgs(const std::vector<std::string>& args,
                                                       std::string* error) {
  UhidMouseCommandLine line;
  auto fail = [&](const std::string& why) -> std::optional<UhidMouseCommandLine> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--wait-for-release") {
      line.waitForRelease = true;
      continue;
    }
    if (name == "--a1-long") {
      line.mouse.shortReportDataBytes = kVirtualLongReportDataBytes;
      continue;
    }
    if (i + 1 >= args.size()) return fail(name + ": a value is missing");
    const std::string& value = args[++i];
    if (name == "--mode") {
      if (value == "normal") {
        line.mouse.mode = MouseMode::kNormal;
      } else if (value == "bootloader") {
        line.mouse.mode = MouseMode::kBootloader;
      } else {
        return fail("--mode: normal or bootloader, not " + value);
      }
    } else if (name == "--version") {
      if (!ParseNumber<uint16_t>(value, 16, 0xFFFF, &line.mouse.versionNumber)) {
        return fail("--version: 1 to 4 hex digits, not " + value);
      }
    } else if (name == "--busy-every") {
      if (!ParseNumber<uint32_t>(value, 10, 1000000, &line.mouse.busyEvery)) {
        return fail("--busy-every: a count, not " + value);
      }
    } else if (name == "--busy-count") {
      if (!ParseNumber<uint32_t>(value, 10, 100, &line.mouse.busyCount) ||
          line.mouse.busyCount == 0) {
        return fail("--busy-count: 1 to 100, not " + value);
      }
    } else if (name == "--unplug-at" || name == "--mute-at") {
      UnplugTrigger trigger;
      const size_t colon = value.find(':');
      const std::string command = value.substr(0, colon);
      if (!ParseNumber<uint8_t>(command, 16, 0xFF, &trigger.command) ||
          (colon != std::string::npos &&
           (!ParseNumber<uint32_t>(value.substr(colon + 1), 10, 1000000, &trigger.occurrence) ||
            trigger.occurrence == 0))) {
        return fail(name + ": CMD (hex) or CMD:N (N from 1), not " + value);
      }
      (name == "--mute-at" ? line.mouse.muteAt : line.mouse.unplugAt) = trigger;
    } else if (name == "--replug-after") {
      uint32_t ms = 0;
      if (!ParseNumber<uint32_t>(value, 10, 600000, &ms)) {
        return fail("--replug-after: milliseconds, not " + value);
      }
      line.mouse.replugAfterMs = ms;
    } else if (name == "--log") {
      line.logPath = value;
    } else if (name == "--pid-file") {
      line.pidPath = value;
    } else {
      return fail("unknown option " + name);
    }
  }
  return line;
}

}  // namespace tr58k
