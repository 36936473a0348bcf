#include "cli/settings_report.h"

#include <sstream>

#include "cli/cli_options.h"
#include "cli/json_writer.h"
#include "device/device_link.h"

namespace tr58k {
namespace {

constexpr int kStoredLevelAttributes = 3;  // the file keeps only levels 1 to 3

void Line(std::ostringstream& out, const std::string& label, const std::string& value) {
  out << label << ':' << std::string(label.size() < 17 ? 17 - label.size() : 1, ' ') << value
      << '\n';
}

std::string RateText(int16_t code) {
  const int hz = ReportRateHz(code);
  if (hz != 0) return std::to_string(hz) + " Hz";
  return "unknown (interval code " + std::to_string(code) + ")";
}

std::string BacklightText(uint8_t flag) {
  if (flag == 1) return "on";
  if (flag == 0) return "off";
  return "off (stored value " + std::to_string(flag) + ")";
}

std::string DpiText(const DpiPair& pair) {
  std::string text = std::to_string(pair.dpiX);
  if (pair.dpiY != pair.dpiX) text += " (vertical " + std::to_string(pair.dpiY) + ")";
  if (!IsValidDpi(pair.dpiX) || !IsValidDpi(pair.dpiY)) text += "  [not a valid DPI]";
  return text;
}

void LevelLines(std::ostringstream& out, const MouseSettings& s) {
  const bool countValid = s.dpiLevelCount >= 1 && s.dpiLevelCount <= kDpiLevels;
  Line(out, "DPI levels",
       std::to_string(s.dpiLevelCount) + (countValid ? "" : "  [not a valid level count]"));
  for (int k = 0; k < kDpiLevels; ++k) {
    std::string value = DpiText(s.dpi[k]);
    if (countValid && k >= s.dpiLevelCount) value += "  (not in the DPI cycle)";
    Line(out, "DPI" + std::to_string(k + 1), value);
  }
}

void Pairs(JsonWriter& json, const MouseSettings& s) {
  json.Key("dpi").BeginArray();
  for (const auto& pair : s.dpi) json.BeginArray().Int(pair.dpiX).Int(pair.dpiY).EndArray();
  json.EndArray();
}

void LevelAttributes(JsonWriter& json, const MouseSettings& s, int count) {
  json.Key("levelAttribute").BeginArray();
  for (int k = 0; k < count; ++k) json.Int(s.levelAttribute[k]);
  json.EndArray();
}

}  // namespace

std::string QuoteForTerminal(const std::string& utf8) { return JsonQuote(utf8); }

std::string FirmwareText(const MouseInfo& info) {
  return info.present ? FormatFirmwareVersion(info.firmwareVersion) : "-.--";
}

std::string InfoText(const MouseInfo& info) {
  std::ostringstream out;
  Line(out, "Mouse", info.present        ? "present"
                     : info.inBootloader ? "in its bootloader (a firmware update did not finish)"
                                         : "not found");
  Line(out, "Firmware", FirmwareText(info));
  return out.str();
}

std::string InfoJson(const MouseInfo& info) {
  JsonWriter json;
  json.BeginObject().Key("present").Bool(info.present);
  json.Key("firmwareVersion").String(FirmwareText(info));
  json.Key("versionNumber");
  if (info.present) {
    json.Int(info.versionNumber);
  } else {
    json.Null();
  }
  if (info.inBootloader) json.Key("bootloader").Bool(true);
  json.EndObject();
  return json.Text() + "\n";
}

std::string SettingsText(const MouseSettings& s) {
  std::ostringstream out;
  Line(out, "Profile file", s.profilePath.empty() ? "(none)" : QuoteForTerminal(s.profilePath));
  Line(out, "Profile name", QuoteForTerminal(Utf16ToUtf8(s.profileName)));
  Line(out, "Profile number", std::to_string(s.profileIndex));
  Line(out, "Report rate", RateText(s.reportInterval));
  LevelLines(out, s);
  Line(out, "Wheel backlight", BacklightText(s.wheelBacklight));
  return out.str();
}

std::string SettingsJson(const MouseSettings& s) {
  JsonWriter json;
  json.BeginObject();
  json.Key("profilePath").String(s.profilePath);
  json.Key("profileIndex").Int(s.profileIndex);
  json.Key("profileName").String(std::u16string_view(s.profileName));
  json.Key("auxOption").Int(s.auxOption);
  json.Key("reportInterval").Int(s.reportInterval);
  json.Key("wheelBacklight").Int(s.wheelBacklight);
  json.Key("levelColor").BeginArray();
  for (Color c : s.levelColor) json.Int(c);
  json.EndArray();
  json.Key("dpiLevelCount").Int(s.dpiLevelCount);
  json.Key("activeLevel").Int(s.activeLevel);
  LevelAttributes(json, s, kDpiLevels);
  Pairs(json, s);
  json.Key("restorePending").Int(s.restorePending);
  json.EndObject();
  return json.Text() + "\n";
}

std::string StoredProfileText(const MouseSettings& s) {
  std::ostringstream out;
  Line(out, "Profile file", QuoteForTerminal(s.profilePath));
  Line(out, "Profile name", QuoteForTerminal(Utf16ToUtf8(s.profileName)));
  Line(out, "Profile number", std::to_string(s.profileIndex));
  Line(out, "Report rate", RateText(s.reportInterval));
  LevelLines(out, s);
  Line(out, "Wheel backlight", BacklightText(s.wheelBacklight));
  Line(out, "Active level", std::to_string(s.activeLevel));
  Line(out, "Option", std::to_string(s.auxOption));
  return out.str();
}

std::string StoredProfileJson(const MouseSettings& s) {
  JsonWriter json;
  json.BeginObject();
  json.Key("profilePath").String(s.profilePath);
  json.Key("profileName").String(std::u16string_view(s.profileName));
  json.Key("auxOption").Int(s.auxOption);
  json.Key("profileIndex").Int(s.profileIndex);
  json.Key("wheelBacklight").Int(s.wheelBacklight);
  json.Key("reportInterval").Int(s.reportInterval);
  json.Key("dpiLevelCount").Int(s.dpiLevelCount);
  json.Key("activeLevel").Int(s.activeLevel);
  LevelAttributes(json, s, kStoredLevelAttributes);
  Pairs(json, s);
  json.EndObject();
  return json.Text() + "\n";
}

}  // namespace tr58k
