#include "cli/settings_report.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "i18n/text_lookup.h"

namespace tr58k {
namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

MouseSettings WindowStart() {
  MouseSettings s;
  s.profileName = u"Profile";
  s.profilePath = "/tmp/p/DefaultPf.profile";
  return s;
}

TEST(InfoReport, JsonAndTextForPresentAndAbsentMouse) {
  const MouseInfo present{true, 26, 0x26};
  EXPECT_EQ(InfoJson(present), "{\"present\":true,\"firmwareVersion\":\"V0.26\",\"versionNumber\":38}\n");
  EXPECT_TRUE(Has(InfoText(present), "present"));
  EXPECT_TRUE(Has(InfoText(present), "V0.26"));

  const MouseInfo absent{};
  EXPECT_EQ(InfoJson(absent), "{\"present\":false,\"firmwareVersion\":\"-.--\",\"versionNumber\":null}\n");
  EXPECT_TRUE(Has(InfoText(absent), "not found"));
  EXPECT_TRUE(Has(InfoText(absent), "-.--"));
  EXPECT_EQ(FirmwareText(MouseInfo{true, 103, 0x103}), "V1.03");
}

TEST(SettingsJson, EveryFieldOfTheRecordUnderItsOwnName) {
  EXPECT_EQ(SettingsJson(WindowStart()),
            "{\"profilePath\":\"/tmp/p/DefaultPf.profile\",\"profileIndex\":0,"
            "\"profileName\":\"Profile\",\"auxOption\":1,\"reportInterval\":1,"
            "\"wheelBacklight\":1,\"levelColor\":[255,65280,16711680,16777215],"
            "\"dpiLevelCount\":4,\"activeLevel\":255,\"levelAttribute\":[0,0,0,0],"
            "\"dpi\":[[400,400],[800,800],[1600,1600],[3200,3200]],\"restorePending\":0}\n");
}

TEST(SettingsJson, HostileNamesStayOneValidLine) {
  MouseSettings s = WindowStart();
  s.profileName = u"\u914d\u7f6e\"\n\x1b\xd800";
  s.dpi[1] = {-5, 32767};
  const std::string json = SettingsJson(s);
  EXPECT_TRUE(Has(json, "\"profileName\":\"\xe9\x85\x8d\xe7\xbd\xae\\\"\\n\\u001b\xef\xbf\xbd\""))
      << json;
  EXPECT_TRUE(Has(json, "[-5,32767]"));
  EXPECT_EQ(json.find('\n'), json.size() - 1);
}

TEST(StoredProfileJson, OnlyWhatTheFileKeeps) {
  MouseSettings s = WindowStart();
  s.levelAttribute = {1, 2, 3, 4};
  s.activeLevel = 2;
  const std::string json = StoredProfileJson(s);
  EXPECT_TRUE(Has(json, "\"levelAttribute\":[1,2,3]")) << json;
  EXPECT_TRUE(Has(json, "\"activeLevel\":2"));
  EXPECT_TRUE(Has(json, "\"profilePath\":\"/tmp/p/DefaultPf.profile\""));
  EXPECT_FALSE(Has(json, "levelColor"));
  EXPECT_FALSE(Has(json, "restorePending"));
}

TEST(SettingsText, ShowsWhatTheWindowShowsAndFlagsOddValues) {
  MouseSettings s = WindowStart();
  s.dpiLevelCount = 2;
  s.reportInterval = kInterval125Hz;
  s.wheelBacklight = 0;
  std::string text = SettingsText(s);
  EXPECT_TRUE(Has(text, "125 Hz"));
  EXPECT_TRUE(Has(text, "DPI levels:       2\n"));
  EXPECT_TRUE(Has(text, "DPI2:             800\n"));
  EXPECT_TRUE(Has(text, "DPI3:             1600  (not in the DPI cycle)"));
  EXPECT_TRUE(Has(text, "Wheel backlight:  off\n"));
  EXPECT_TRUE(Has(text, "\"Profile\""));

  s.reportInterval = 3;
  s.dpiLevelCount = 9;
  s.wheelBacklight = 7;
  s.dpi[0] = {425, 425};
  s.dpi[1] = {800, 400};
  s.profileName = u"\x1b]0;x\x07";
  text = SettingsText(s);
  EXPECT_TRUE(Has(text, "unknown (interval code 3)"));
  EXPECT_TRUE(Has(text, "9  [not a valid level count]"));
  EXPECT_TRUE(Has(text, "425  [not a valid DPI]"));
  EXPECT_TRUE(Has(text, "800 (vertical 400)"));
  EXPECT_TRUE(Has(text, "off (stored value 7)"));
  EXPECT_FALSE(Has(text, "\x1b"));  // no raw escape reaches the terminal
  EXPECT_FALSE(Has(text, "\x07"));
}

// In any language the values of a report start in one column, counted in
// terminal columns (two for a Chinese, Japanese or Korean character).
TEST(SettingsText, ValuesLineUpInEveryLanguage) {
  EXPECT_EQ(DisplayWidth("Report rate"), 11u);
  EXPECT_EQ(DisplayWidth("回报率"), 6u);
  EXPECT_EQ(DisplayWidth("ファームウェア"), 14u);
  EXPECT_EQ(DisplayWidth("폴링 레이트"), 11u);
  EXPECT_EQ(DisplayWidth("Частота опроса"), 14u);
  EXPECT_EQ(DisplayWidth("Radbeleuchtung Über"), 19u);
  for (const char* language : {"", "zh_CN", "ja", "ru", "es"}) {
    ASSERT_TRUE(UseCatalogue(language));
    const std::string text = StoredProfileText(WindowStart());
    std::set<size_t> columns;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      const size_t value = line.find_first_not_of(' ', line.find(':') + 1);
      columns.insert(DisplayWidth(line.substr(0, value)));
    }
    EXPECT_EQ(columns.size(), 1u) << language << "\n" << text;
  }
  UseCatalogue("");
}

}  // namespace
}  // namespace tr58k
