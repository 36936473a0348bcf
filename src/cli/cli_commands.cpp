#include "cli/cli_commands.h"

#include <filesystem>
#include <functional>
#include <utility>

#include "cli/cli_messages.h"
#include "cli/profile_save_check.h"
#include "cli/settings_report.h"
#include "device/mouse_session.h"
#include "i18n/text_lookup.h"
#include "settings/profile_file.h"

namespace tr58k {
namespace {

// Closes the link when a command ends, so that the trace ends with "close"
// and nothing stays open behind a finished command.
class LinkCloser {
 public:
  explicit LinkCloser(DeviceLink& link) : link_(link) {}
  ~LinkCloser() {
    if (link_.handle) CloseHidDevice(link_);
  }
  LinkCloser(const LinkCloser&) = delete;
  LinkCloser& operator=(const LinkCloser&) = delete;

 private:
  DeviceLink& link_;
};

bool AccessDenied(const DeviceLink& link) {
  return link.lastOpenError == hid_error::kAccessDenied;
}

// After a failed open on apply or restore: the window's message, then why.
int ReportNotFoundOnApply(CliContext& context) {
  context.err << Tr(kMouseNotFoundMessage) << '\n';
  if (AccessDenied(context.link)) {
    context.err << AccessDeniedMessage(context.link.lastOpenErrorPath);
    return kExitAccessDenied;
  }
  context.err << "tr58kctl: "
              << Tr("the ZEMO TR-58K mouse was not found; nothing was sent or saved. "
                    "Plug it in and try again.")
              << '\n';
  return kExitMouseNotFound;
}

// The path as it is, unless it would break the one-line-per-event trace.
std::string TracePath(const std::string& path) {
  if (path.empty()) return "(no profile path)";
  for (unsigned char c : path) {
    if (c < 0x20 || c == 0x7F) return QuoteForTerminal(path);
  }
  return path;
}

void PrintSettings(CliContext& context, const MouseSettings& settings) {
  context.out << (context.json ? SettingsJson(settings) : SettingsText(settings));
}

// The summary line of an apply or a restore (before the settings on
// standard output, or last on standard error when the mouse did not take
// them): what reached the mouse and what reached the profile file, in the
// language in use.
struct ClosingLines {
  const char* appliedSaved;
  const char* appliedNotSaved;
  const char* notAppliedSaved;
  const char* notAppliedNotSaved;

  const char* For(bool applied, bool saved) const {
    if (applied) return Tr(saved ? appliedSaved : appliedNotSaved);
    return Tr(saved ? notAppliedSaved : notAppliedNotSaved);
  }
};

constexpr ClosingLines kApplyLines{
    N_("Applied to the mouse; saved in the profile."),
    N_("Applied to the mouse; not saved in the profile."),
    N_("Not applied to the mouse; saved in the profile."),
    N_("Not applied to the mouse; not saved in the profile."),
};
constexpr ClosingLines kRestoreLines{
    N_("Factory settings restored; saved in the profile."),
    N_("Factory settings restored on the mouse; not saved in the profile."),
    N_("Factory settings not restored on the mouse; saved in the profile."),
    N_("Factory settings not restored on the mouse; not saved in the profile."),
};

// Runs the shared apply sequence with `readControls` in place of the
// window's controls, then says what happened. With --trace a "save" line
// marks where the profile was written among the exchanges.
//
// A profile that could not be saved is a warning, not a failure: the mouse,
// which the command is about, has the settings, and the window reads them
// back from it when it starts with the mouse plugged in. The exit status
// stays 0 so that scripts (a login hook, say) do not fail for a read-only or
// full home folder.
int ApplyAndReport(CliContext& context, MouseSettings& settings,
                   const std::function<void(MouseSettings&)>& readControls,
                   const ClosingLines& lines) {
  ProfileSaveCheck saveCheck(settings.profilePath);
  DeviceLink& link = context.link;
  const LinkTrace outerTrace = link.trace;
  bool controlsRead = false;
  bool saveTraced = false;
  if (outerTrace) {
    link.trace = [&](std::string_view line) {
      if (controlsRead && !saveTraced) {
        saveTraced = true;
        outerTrace("save " + TracePath(settings.profilePath) +
                   (saveCheck.Saved(settings) ? " ok" : " failed"));
      }
      outerTrace(line);
    };
  }
  const ApplyOutcome outcome = ApplySettingsToMouse(link, settings, [&](MouseSettings& record) {
    readControls(record);
    controlsRead = true;
  });
  link.trace = outerTrace;

  if (outcome == ApplyOutcome::kMouseNotFound) return ReportNotFoundOnApply(context);
  const bool saved = saveCheck.Saved(settings);
  if (settings.profilePath.empty()) {
    context.err << "tr58kctl: "
                << Tr("warning: no per-user folder (neither XDG_CONFIG_HOME nor HOME names an "
                      "absolute folder); the profile was not saved.")
                << '\n';
  } else if (!saved) {
    context.err << "tr58kctl: "
                << Format(Tr("warning: the profile could not be saved to %1."),
                          {QuoteForTerminal(settings.profilePath)})
                << '\n';
  }
  switch (outcome) {
    case ApplyOutcome::kSlotQueryFailed:
      context.err << "tr58kctl: "
                  << Tr("the mouse did not answer the profile-slot query; nothing was written to "
                        "it.")
                  << '\n'
                  << lines.For(false, saved) << '\n';
      return kExitCommandFailed;
    case ApplyOutcome::kWriteFailed:
      context.err << "tr58kctl: "
                  << Tr("the mouse did not accept the configuration write; its settings may be "
                        "unchanged.")
                  << '\n'
                  << lines.For(false, saved) << '\n';
      return kExitCommandFailed;
    default:
      break;
  }
  if (context.json) {
    PrintSettings(context, settings);
  } else {
    context.out << lines.For(true, saved) << '\n' << SettingsText(settings);
  }
  return kExitOk;
}

}  // namespace

void ReadCommandLineInto(const ApplyChanges& changes, MouseSettings& settings) {
  if (changes.reportInterval) settings.reportInterval = *changes.reportInterval;
  if (changes.dpiLevelCount) settings.dpiLevelCount = *changes.dpiLevelCount;
  if (changes.wheelBacklight) settings.wheelBacklight = *changes.wheelBacklight;
  settings.wheelBacklight = settings.wheelBacklight == 1 ? 1 : 0;
  for (int k = 0; k < kDpiLevels; ++k) {
    if (changes.dpi) settings.dpi[k].dpiX = (*changes.dpi)[k];
    settings.dpi[k].dpiY = settings.dpi[k].dpiX;
  }
}

std::string CheckSendable(const MouseSettings& s) {
  if (ReportRateHz(s.reportInterval) == 0) {
    return Format(Tr("the current report interval code %1 is not a rate the mouse knows; name one "
                     "with --rate 1000|500|250|125"),
                  {std::to_string(s.reportInterval)});
  }
  if (s.dpiLevelCount < 1 || s.dpiLevelCount > kDpiLevels) {
    return Format(Tr("the current level count %1 is not 1 to 4; name one with --levels"),
                  {std::to_string(s.dpiLevelCount)});
  }
  for (int k = 0; k < kDpiLevels; ++k) {
    if (!IsValidDpi(s.dpi[k].dpiX)) {
      return Format(Tr("the current DPI of level %1, %2, is not 50 to 16000 in steps of 50; name "
                       "all four with --dpi D1,D2,D3,D4"),
                    {std::to_string(k + 1), std::to_string(s.dpi[k].dpiX)});
    }
  }
  return {};
}

int RunInfo(CliContext& context) {
  LinkCloser closer(context.link);
  MouseInfo info;
  info.present = OpenHidDevice(context.link, kMouseProductId) == 1;
  if (info.present) {
    info.firmwareVersion = ReadFirmwareVersion(context.link);
    info.versionNumber = context.link.versionNumber;
  } else {
    // An interrupted firmware update leaves the mouse in its bootloader,
    // where it configures nothing; one look, without the update's waits.
    // The search for the mouse keeps its say on permissions.
    const uint32_t error = context.link.lastOpenError;
    const std::string errorPath = context.link.lastOpenErrorPath;
    info.inBootloader = OpenHidDevice(context.link, kBootloaderProductId) == 1;
    if (!info.inBootloader && context.link.lastOpenError == hid_error::kNone) {
      context.link.lastOpenError = error;
      context.link.lastOpenErrorPath = errorPath;
    }
  }
  context.out << (context.json ? InfoJson(info) : InfoText(info));
  if (info.present) return kExitOk;
  if (info.inBootloader) {
    context.err << "tr58kctl: "
                << Tr("the mouse is waiting in its bootloader, as an interrupted firmware update "
                      "leaves it; 'tr58kctl firmware' finishes the update.")
                << '\n';
    return kExitMouseNotFound;
  }
  if (AccessDenied(context.link)) {
    context.err << AccessDeniedMessage(context.link.lastOpenErrorPath);
    return kExitAccessDenied;
  }
  return kExitMouseNotFound;
}

int RunShow(CliContext& context) {
  LinkCloser closer(context.link);
  MouseSettings settings = LoadStartupSettings(context.profilePath);
  const RefreshResult refresh = RefreshSettingsFromMouse(context.link, settings);
  if (!refresh.found && AccessDenied(context.link)) {
    context.err << AccessDeniedMessage(context.link.lastOpenErrorPath);
  }
  if (!refresh.found) {
    context.err << "tr58kctl: "
                << Tr("note: the mouse was not found; these are the stored settings.") << '\n';
  } else if (!refresh.configRead) {
    context.err << "tr58kctl: "
                << Tr("note: the mouse did not send its settings; these are the stored settings.")
                << '\n';
  }
  PrintSettings(context, settings);
  return kExitOk;
}

int RunApply(const ApplyChanges& changes, CliContext& context) {
  LinkCloser closer(context.link);
  MouseSettings settings = LoadStartupSettings(context.profilePath);
  const RefreshResult refresh = RefreshSettingsFromMouse(context.link, settings);
  if (!refresh.found) return ReportNotFoundOnApply(context);
  if (!refresh.configRead) {
    context.err << "tr58kctl: "
                << Tr("note: the mouse did not send its settings; starting from the stored "
                      "settings.")
                << '\n';
  }
  settings.restorePending = 0;
  MouseSettings wanted = settings;
  ReadCommandLineInto(changes, wanted);
  if (const std::string problem = CheckSendable(wanted); !problem.empty()) {
    // TRANSLATORS: %1 is what is wrong with a setting ("the current level
    // count 0 is not 1 to 4; name one with --levels").
    context.err << "tr58kctl: " << Format(Tr("%1. Nothing was sent or saved."), {problem}) << '\n';
    return kExitBadArguments;
  }
  return ApplyAndReport(
      context, settings,
      [&](MouseSettings& record) { ReadCommandLineInto(changes, record); }, kApplyLines);
}

int RunRestore(CliContext& context) {
  LinkCloser closer(context.link);
  MouseSettings settings = LoadStartupSettings(context.profilePath);
  ResetToFactory(settings);
  return ApplyAndReport(
      context, settings, [](MouseSettings& record) { ReadCommandLineInto({}, record); },
      kRestoreLines);
}

int RunProfile(CliContext& context) {
  if (context.profilePath.empty()) {
    context.err << "tr58kctl: "
                << Tr("no per-user folder (neither XDG_CONFIG_HOME nor HOME names an absolute "
                      "folder), so there is no profile.")
                << '\n';
    context.out << (context.json ? std::string("null\n") : std::string(Tr("No profile.")) + "\n");
    return kExitOk;
  }
  MouseSettings settings = LoadStartupSettings({});
  settings.profilePath = context.profilePath;
  if (LoadProfile(settings, context.profilePath)) {
    context.out << (context.json ? StoredProfileJson(settings) : StoredProfileText(settings));
    return kExitOk;
  }
  std::error_code error;
  const bool exists = std::filesystem::exists(context.profilePath, error);
  const std::string where = QuoteForTerminal(context.profilePath);
  if (exists) {
    context.err << "tr58kctl: "
                << Format(Tr("%1 is not a readable profile; it is treated as if there were none."),
                          {where})
                << '\n';
  }
  context.out << (context.json ? std::string("null\n")
                               : Format(Tr("No profile stored at %1."), {where}) + "\n");
  return kExitOk;
}

int RunCommand(const CliOptions& options, CliContext& context) {
  switch (options.command) {
    case CliCommand::kInfo: return RunInfo(context);
    case CliCommand::kShow: return RunShow(context);
    case CliCommand::kApply: return RunApply(options.changes, context);
    case CliCommand::kRestore: return RunRestore(context);
    case CliCommand::kProfile: return RunProfile(context);
    case CliCommand::kFirmware: return RunFirmware(options, context);
    case CliCommand::kNone: break;
  }
  return kExitBadArguments;
}

}  // namespace tr58k
