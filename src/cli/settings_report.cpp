#include "cli/settings_report.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "cli/cli_options.h"
#include "cli/json_writer.h"
#include "device/device_link.h"
#include "i18n/text_lookup.h"

namespace tr58k {
namespace {

constexpr int kStoredLevelAttributes = 3;  // the file keeps only levels 1 to 3

// "Label:" and its value, the values of one report in one column: the
// 19th, or further when a label (in another language) is longer.
class Lines {
 public:
  void Add(const std::string& label, std::string value) {
    lines_.push_back({label, std::move(value)});
  }
  std::string Text() const {
    size_t column = 18;
    for (const auto& [label, value] : lines_) column = std::max(column, DisplayWidth(label) + 2);
    std::string text;
    for (const auto& [label, value] : lines_) {
      text += label + ':' + std::string(column - 1 - DisplayWidth(label), ' ') + value + '\n';
    }
    return text;
  }

 private:
  std::vector<std::pair<std::string, std::string>> lines_;
};

std::string RateText(int16_t code) {
  const int hz = ReportRateHz(code);
  if (hz != 0) return std::to_string(hz) + " Hz";
  return Format(Tr("unknown (interval code %1)"), {std::to_string(code)});
}

std::string BacklightText(uint8_t flag) {
  if (flag == 1) return Tr("on");
  if (flag == 0) return Tr("off");
  return Format(Tr("off (stored value %1)"), {std::to_string(flag)});
}

std::string DpiText(const DpiPair& pair) {
  std::string text = std::to_string(pair.dpiX);
  if (pair.dpiY != pair.dpiX) {
    text += " " + Format(Tr("(vertical %1)"), {std::to_string(pair.dpiY)});
  }
  if (!IsValidDpi(pair.dpiX) || !IsValidDpi(pair.dpiY)) {
    text += "  " + std::string(Tr("[not a valid DPI]"));
  }
  return text;
}

void LevelLines(Lines& lines, const MouseSettings& s) {
  const bool countValid = s.dpiLevelCount >= 1 && s.dpiLevelCount <= kDpiLevels;
  std::string count = std::to_string(s.dpiLevelCount);
  if (!countValid) count += "  " + std::string(Tr("[not a valid level count]"));
  lines.Add(Tr("DPI levels"), count);
  for (int k = 0; k < kDpiLevels; ++k) {
    std::string value = DpiText(s.dpi[k]);
    if (countValid && k >= s.dpiLevelCount) {
      value += "  " + std::string(Tr("(not in the DPI cycle)"));
    }
    lines.Add("DPI" + std::to_string(k + 1), value);
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

size_t DisplayWidth(std::string_view utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length && i + k < utf8.size(); ++k) {
      c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += static_cast<size_t>(length);
    // Combining marks take no column; the wide scripts (CJK, Hangul, kana,
    // full-width forms) two.
    if (c >= 0x0300 && c <= 0x036F) continue;
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                      (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
    width += wide ? 2 : 1;
  }
  return width;
}

std::string FirmwareText(const MouseInfo& info) {
  return info.present ? FormatFirmwareVersion(info.firmwareVersion) : "-.--";
}

std::string InfoText(const MouseInfo& info) {
  Lines lines;
  const char* mouse = info.present        ? N_("present")
                      : info.inBootloader ? N_("in its bootloader (a firmware update did not finish)")
                                          : N_("not found");
  lines.Add(Tr("Mouse"), Tr(mouse));
  lines.Add(Tr("Firmware"), FirmwareText(info));
  return lines.Text();
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
  Lines lines;
  lines.Add(Tr("Profile file"),
            s.profilePath.empty() ? Tr("(none)") : QuoteForTerminal(s.profilePath));
  lines.Add(Tr("Profile name"), QuoteForTerminal(Utf16ToUtf8(s.profileName)));
  lines.Add(Tr("Profile number"), std::to_string(s.profileIndex));
  lines.Add(Tr("Report rate"), RateText(s.reportInterval));
  LevelLines(lines, s);
  lines.Add(Tr("Wheel backlight"), BacklightText(s.wheelBacklight));
  return lines.Text();
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
  Lines lines;
  lines.Add(Tr("Profile file"), QuoteForTerminal(s.profilePath));
  lines.Add(Tr("Profile name"), QuoteForTerminal(Utf16ToUtf8(s.profileName)));
  lines.Add(Tr("Profile number"), std::to_string(s.profileIndex));
  lines.Add(Tr("Report rate"), RateText(s.reportInterval));
  LevelLines(lines, s);
  lines.Add(Tr("Wheel backlight"), BacklightText(s.wheelBacklight));
  lines.Add(Tr("Active level"), std::to_string(s.activeLevel));
  lines.Add(Tr("Option"), std::to_string(s.auxOption));
  return lines.Text();
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
