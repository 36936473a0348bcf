// How tr58kctl prints the mouse's presence and the settings record: a short
// text for people (in the language in use), one compact JSON object (keys
// are the record's field names, never translated) for programs. Every
// function returns the whole text, newline-ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/mouse_settings.h"

namespace tr58k {

struct MouseInfo {
  bool present = false;
  uint16_t firmwareVersion = 0;  // ReadFirmwareVersion(), when present
  uint32_t versionNumber = 0;    // the link's raw version number, when present
  bool inBootloader = false;     // not present, but its bootloader is
};

// "V0.26" when present, "-.--" when not: the windows' firmware text.
std::string FirmwareText(const MouseInfo& info);

std::string InfoText(const MouseInfo& info);
// {"present":true,"firmwareVersion":"V0.26","versionNumber":38};
// versionNumber is null when the mouse is absent; "bootloader":true follows
// only when the mouse was found in its bootloader.
std::string InfoJson(const MouseInfo& info);

// Every field of the record, as the window shows it.
std::string SettingsText(const MouseSettings& settings);
// Every field of the record; dpi as [[x,y],...], colours as numbers.
std::string SettingsJson(const MouseSettings& settings);

// Only what the profile file stores (and where it is): the name, auxOption,
// profileIndex, wheelBacklight, reportInterval, dpiLevelCount, activeLevel,
// the first three levelAttribute values and the four DPI pairs.
std::string StoredProfileText(const MouseSettings& settings);
std::string StoredProfileJson(const MouseSettings& settings);

// A profile name or path for a terminal: quoted, with control characters
// escaped so that a hostile name cannot drive the terminal.
std::string QuoteForTerminal(const std::string& utf8);

// The columns a UTF-8 text takes on a terminal: two for each Chinese,
// Japanese or Korean character, one for other characters.
size_t DisplayWidth(std::string_view utf8);

}  // namespace tr58k
