#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "i18n/text_lookup.h"

#ifndef TR58K_VERSION
#define TR58K_VERSION "unknown"
#endif

namespace tr58k {
namespace {

// Strict unsigned decimal: digits only, no sign, no blanks, at most 9 digits
// (so the value fits an int and "0000000000001" is not silently accepted).
std::optional<int> ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (text.front() < '0' || text.front() > '9') return std::nullopt;  // from_chars takes '-'
  return value;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

bool ParseRate(std::string_view value, ApplyChanges& changes, std::string& error) {
  const auto hz = ParseDecimal(value);
  if (const auto code = hz ? ReportIntervalForHz(*hz) : std::nullopt) {
    changes.reportInterval = *code;
    return true;
  }
  error = Format(Tr("--rate: %1 is not a report rate; use 1000, 500, 250 or 125"), {Quoted(value)});
  return false;
}

bool ParseLevels(std::string_view value, ApplyChanges& changes, std::string& error) {
  const auto count = ParseDecimal(value);
  if (!count || !IsValidLevelCount(*count)) {
    error = Format(Tr("--levels: %1 is not a level count; use 1, 2, 3 or 4"), {Quoted(value)});
    return false;
  }
  changes.dpiLevelCount = static_cast<uint8_t>(*count);
  return true;
}

bool ParseDpiList(std::string_view value, ApplyChanges& changes, std::string& error) {
  std::array<int16_t, kDpiLevels> dpi{};
  size_t count = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = value.find(',', start);
    const std::string_view item =
        value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (count == kDpiLevels) {
      error = Tr("--dpi: give exactly four values, D1,D2,D3,D4 (got more)");
      return false;
    }
    const auto number = ParseDecimal(item);
    if (!number) {
      error = Format(Tr("--dpi: %1 is not a number; give four values like 800,1600,3200,6400"),
                     {Quoted(item)});
      return false;
    }
    if (*number < kDpiMin || *number > kDpiMax) {
      error = Format(Tr("--dpi: %1 for level %2 is out of range; each DPI must be 50 to 16000, "
                        "in steps of 50"),
                     {std::to_string(*number), std::to_string(count + 1)});
      return false;
    }
    if (*number % kDpiStep != 0) {
      error = Format(Tr("--dpi: %1 for level %2 is not a multiple of 50; each DPI must be 50 to "
                        "16000, in steps of 50"),
                     {std::to_string(*number), std::to_string(count + 1)});
      return false;
    }
    dpi[count++] = static_cast<int16_t>(*number);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count != kDpiLevels) {
    error = Format(Tr("--dpi: give exactly four values, D1,D2,D3,D4 (got %1)"),
                   {std::to_string(count)});
    return false;
  }
  changes.dpi = dpi;
  return true;
}

bool ParseBacklight(std::string_view value, ApplyChanges& changes, std::string& error) {
  if (value == "on" || value == "off") {
    changes.wheelBacklight = value == "on" ? 1 : 0;
    return true;
  }
  error = Format(Tr("--backlight: %1 is neither 'on' nor 'off'"), {Quoted(value)});
  return false;
}

std::optional<CliCommand> CommandFromName(std::string_view name) {
  for (CliCommand c : {CliCommand::kInfo, CliCommand::kShow, CliCommand::kApply,
                       CliCommand::kRestore, CliCommand::kProfile, CliCommand::kFirmware}) {
    if (name == CommandName(c)) return c;
  }
  return std::nullopt;
}

using ValueParser = bool (*)(std::string_view, ApplyChanges&, std::string&);
struct ApplyOption {
  std::string_view name;
  ValueParser parse;
};
constexpr std::array<ApplyOption, 4> kApplyOptions = {{
    {"--rate", ParseRate}, {"--levels", ParseLevels}, {"--dpi", ParseDpiList},
    {"--backlight", ParseBacklight}}};

bool IsFirmwareOption(std::string_view name) { return name == "--yes" || name == "--image"; }

bool ParseFirmwareOption(std::string_view name, std::optional<std::string_view> value,
                         CliOptions& options, std::string& error) {
  if (name == "--yes") {
    if (value) error = Format(Tr("%1 takes no value"), {"--yes"});
    options.assumeYes = true;
    return !value;
  }
  if (!value || value->empty()) {
    error = Tr("--image needs the path of an image file");
    return false;
  }
  options.imagePath = std::string(*value);
  return true;
}

bool* GlobalFlag(CliOptions& options, std::string_view name) {
  if (name == "--simulate") return &options.simulate;
  if (name == "--json") return &options.json;
  if (name == "--trace") return &options.trace;
  if (name == "--help" || name == "-h") return &options.help;
  if (name == "--version") return &options.version;
  return nullptr;
}

}  // namespace

const char* CommandName(CliCommand command) {
  switch (command) {
    case CliCommand::kInfo: return "info";
    case CliCommand::kShow: return "show";
    case CliCommand::kApply: return "apply";
    case CliCommand::kRestore: return "restore";
    case CliCommand::kProfile: return "profile";
    case CliCommand::kFirmware: return "firmware";
    case CliCommand::kNone: break;
  }
  return "";
}

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  ParseResult result;
  CliOptions& options = result.options;
  std::string firstError;
  std::vector<std::string_view> seen;
  const auto fail = [&](std::string message) {
    if (firstError.empty()) firstError = std::move(message);
  };

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg.size() > 1 && arg[0] == '-') {
      const size_t eq = arg.find('=');
      const std::string_view name = arg.substr(0, eq);
      if (name == "--language") {
        std::optional<std::string_view> value;
        if (eq != std::string_view::npos) {
          value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
          value = args[++i];
        }
        if (!value || value->empty()) {
          fail(Format(Tr("%1 needs a value"), {name}));
        } else if (!options.language.empty()) {
          fail(Format(Tr("%1 is given more than once"), {name}));
        } else {
          options.language = std::string(*value);
        }
        continue;
      }
      if (bool* flag = GlobalFlag(options, name)) {
        if (eq != std::string_view::npos) fail(Format(Tr("%1 takes no value"), {name}));
        *flag = true;
        continue;
      }
      if (IsFirmwareOption(name)) {
        std::optional<std::string_view> value;
        if (eq != std::string_view::npos) {
          value = arg.substr(eq + 1);
        } else if (name == "--image" && i + 1 < args.size()) {
          value = args[++i];
        }
        if (options.command != CliCommand::kFirmware) {
          fail(Format(Tr("%1 belongs to '%2' and must follow it"), {name, "firmware"}));
        } else if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
          fail(Format(Tr("%1 is given more than once"), {name}));
        } else {
          seen.push_back(name == "--yes" ? "--yes" : "--image");
          std::string error;
          if (!ParseFirmwareOption(name, value, options, error)) fail(error);
        }
        continue;
      }
      const ApplyOption* option = nullptr;
      for (const auto& candidate : kApplyOptions) {
        if (candidate.name == name) option = &candidate;
      }
      if (!option) {
        fail(Format(Tr("unknown option %1"), {Quoted(arg)}));
        continue;
      }
      std::string_view value;
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        fail(Format(Tr("%1 needs a value"), {name}));
        continue;
      }
      if (options.command != CliCommand::kApply) {
        fail(Format(Tr("%1 belongs to '%2' and must follow it"), {name, "apply"}));
        continue;
      }
      bool repeated = false;
      for (auto s : seen) repeated = repeated || s == option->name;
      if (repeated) {
        fail(Format(Tr("%1 is given more than once"), {name}));
        continue;
      }
      seen.push_back(option->name);
      std::string error;
      if (!option->parse(value, options.changes, error)) fail(error);
      continue;
    }
    if (options.command != CliCommand::kNone) {
      fail(Format(Tr("unexpected argument %1"), {Quoted(arg)}));
      continue;
    }
    if (auto command = CommandFromName(arg)) {
      options.command = *command;
    } else {
      fail(Format(Tr("unknown command %1"), {Quoted(arg)}));
    }
  }

  if (options.help || options.version) {
    result.ok = true;
    return result;
  }
  if (firstError.empty() && options.command == CliCommand::kNone) {
    firstError = Tr("no command given");
  }
  result.ok = firstError.empty();
  result.error = firstError;
  return result;
}

std::string VersionText() { return std::string("tr58kctl ") + TR58K_VERSION + "\n"; }

}  // namespace tr58k
