// The texts of --help, general and per command.
#include "cli/cli_options.h"

#include "i18n/text_lookup.h"

namespace tr58k {
namespace {

// TRANSLATORS: keep every line within 79 columns (a Chinese, Japanese or
// Korean character takes two); %1 is the list of languages (de, en, ...).
constexpr const char* kGlobalOptions = N_(R"(Global options (before or after the command):
  --simulate   use the built-in simulated mouse (factory settings) instead of
               the real one; the profile is still your own profile file.
               'firmware' updates it with the build's test image by default,
               in real time
  --json       print info, show and profile as one JSON object
  --trace      print every exchange with the mouse on standard error (for
               'firmware', the whole bootloader conversation)
  --language LANG
               speak LANG instead of the language of the environment
               (TR58K_LANGUAGE, else LANGUAGE, LC_ALL, LC_MESSAGES, LANG):
               one of %1;
               C for the texts as written
  --help       this help; 'tr58kctl COMMAND --help' for one command
  --version    print the program's version
)");

constexpr const char* kExitStatuses = N_(R"(Exit status:
  0 success, 1 the firmware update was not confirmed, 2 bad arguments,
  3 mouse not found, 4 the mouse refused a command or the firmware update
  failed, 5 the mouse is there but this user may not open it.
  'apply' and 'restore' exit with 0 when the mouse took the settings but the
  profile could not be saved: a warning names the file, and the summary
  line says "not saved in the profile".
)");

constexpr const char* kGeneral = N_(R"(Usage: tr58kctl [OPTIONS] COMMAND [COMMAND OPTIONS]

Configures the ZEMO TR-58K gaming mouse.

Commands:
  info      whether the mouse is present, and its firmware version
  show      the settings as the configuration window shows them at start:
            the stored profile, then the mouse's own settings over it
  apply     change settings, save them in the profile, send them to the mouse
  restore   restore the factory settings, save and send them
  profile   the settings stored in the profile file
  firmware  update the mouse's firmware

)");

constexpr const char* kInfo = N_(R"(Usage: tr58kctl [OPTIONS] info

Tells whether the mouse is present and shows its firmware version
("V0.26", or "-.--" when the mouse is not found). A mouse found only in its
bootloader (a firmware update that did not finish) is reported as such;
'tr58kctl firmware' finishes the update. Exits with 3 when the mouse is not
found in normal mode.

)");

constexpr const char* kShow = N_(R"(Usage: tr58kctl [OPTIONS] show

Shows the settings as the configuration window shows them after it starts:
the defaults, the stored profile over them, then the mouse's own settings
over that when the mouse answers. Without the mouse the profile's settings
are shown (and a note on standard error).

)");

constexpr const char* kApply = N_(R"(Usage: tr58kctl [OPTIONS] apply [--rate HZ] [--levels N] [--dpi D1,D2,D3,D4]
                                [--backlight on|off]

Starts from what 'show' gives, changes what is named, saves the result in
the profile file and sends it to the mouse. Nothing named: the current
settings are sent again.

  --rate HZ             report rate: 1000, 500, 250 or 125
  --levels N            number of DPI levels in the mouse's DPI cycle, 1 to 4
  --dpi D1,D2,D3,D4     the DPI of the four levels, each 50 to 16000 in
                        steps of 50
  --backlight on|off    the scroll-wheel backlight

Bad values are refused before anything is sent or saved. A summary line
says whether the settings reached the mouse and whether they were saved in
the profile.

)");

constexpr const char* kRestore = N_(R"(Usage: tr58kctl [OPTIONS] restore

Restores the factory settings (1000 Hz, four levels of 400, 800, 1600 and
3200 DPI, backlight on), saves them in the profile file under the name
"profile" and sends them to the mouse. A summary line says whether the
mouse and the profile file took them.

)");

constexpr const char* kProfile = N_(R"(Usage: tr58kctl [OPTIONS] profile

Shows the settings stored in the profile file, or says that there is none.
The file is $XDG_CONFIG_HOME/ZEMO/TR-58K/Profiles/DefaultPf.profile
(~/.config when XDG_CONFIG_HOME is not set).

)");

constexpr const char* kFirmware = N_(R"(Usage: tr58kctl [OPTIONS] firmware [--image FILE] [--yes]

Updates the mouse's firmware: switches the mouse into its bootloader, writes
and checks every block of the image with a progress bar, and finds the mouse
again with its new firmware version. A mouse left in its bootloader by an
interrupted update is updated from there. Do not unplug the mouse while the
update runs; the machine is kept from suspending meanwhile.

  --image FILE   send this image instead of the one built into the program
                 (at most 122880 bytes, 120 blocks of 1024)
  --yes          do not ask for confirmation

Exits with 0 only when the mouse came back with its new firmware.

)");

#ifdef _WIN32
// Windows PowerShell 5.1 decodes what a program writes into a pipe or a
// file with the console's code page, not as UTF-8.
// TRANSLATORS: keep every line within 79 columns; the two indented lines
// are commands, as they are.
constexpr const char* kRedirectedOutput = N_(R"(Output: at a console the text shows as it is, and the console's code pages
are left alone. Redirected or piped, the output is UTF-8. Windows PowerShell
5.1 decodes it with the console's code page, which garbles every character
outside ASCII: first run
  [Console]::OutputEncoding = [System.Text.Encoding]::UTF8
in that PowerShell, or let cmd.exe redirect it, which keeps the bytes:
  cmd /c "tr58kctl show > out.txt"
)");
#endif

}  // namespace

std::string HelpText(CliCommand command) {
  const char* head = kGeneral;
  switch (command) {
    case CliCommand::kInfo: head = kInfo; break;
    case CliCommand::kShow: head = kShow; break;
    case CliCommand::kApply: head = kApply; break;
    case CliCommand::kRestore: head = kRestore; break;
    case CliCommand::kProfile: head = kProfile; break;
    case CliCommand::kFirmware: head = kFirmware; break;
    case CliCommand::kNone: break;
  }
  std::string languages;
  for (const std::string& code : CatalogueCodes()) {
    languages += (languages.empty() ? "" : ", ") + code;
  }
  std::string text = std::string(Tr(head)) + Format(Tr(kGlobalOptions), {languages}) + "\n" +
                     Tr(kExitStatuses);
#ifdef _WIN32
  text += std::string("\n") + Tr(kRedirectedOutput);
#endif
  return text;
}

}  // namespace tr58k
