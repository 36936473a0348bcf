#include "i18n/language_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "i18n/text_lookup.h"
#include "i18n/ui_language_list.h"

namespace tr58k {
namespace {

using List = std::vector<std::string>;

TEST(PosixLanguagePreferences, FollowGettextsOrder) {
  struct Case {
    std::map<std::string, std::string> environment;
    List expected;
  };
  const Case cases[] = {
      {{}, {"C"}},
      {{{"LANG", "de_DE.UTF-8"}}, {"de_DE.UTF-8"}},
      {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, {"ja_JP.UTF-8"}},
      {{{"LANG", "de_DE"}, {"LC_MESSAGES", "ja_JP"}, {"LC_ALL", "ko_KR"}}, {"ko_KR"}},
      {{{"LC_ALL", ""}, {"LANG", "es_ES"}}, {"es_ES"}},  // empty counts as unset
      {{{"LANG", "de_DE"}, {"LANGUAGE", "pt_BR:ru::en"}}, {"pt_BR", "ru", "en"}},
      // In the C locale LANGUAGE does not count, however it is spelled.
      {{{"LANG", "C"}, {"LANGUAGE", "de"}}, {"C"}},
      {{{"LC_ALL", "C.UTF-8"}, {"LANG", "de_DE"}, {"LANGUAGE", "de"}}, {"C"}},
      {{{"LC_MESSAGES", "POSIX"}, {"LANG", "de_DE"}}, {"C"}},
      {{{"LANGUAGE", "de"}}, {"C"}},  // no locale at all is C
  };
  for (const Case& c : cases) {
    const List got = PosixLanguagePreferences([&](const char* name) -> const char* {
      const auto it = c.environment.find(name);
      return it == c.environment.end() ? nullptr : it->second.c_str();
    });
    EXPECT_EQ(got, c.expected) << testing::PrintToString(c.environment);
  }
}

TEST(PickCatalogue, TheFirstPreferenceWithACatalogueElseEnglish) {
  const List codes = {"de", "en", "es", "ja", "ko", "pt_BR", "ru", "zh_CN", "zh_TW"};
  struct Case {
    List preferences;
    const char* expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{"C.UTF-8"}, ""},
      {{"POSIX"}, ""},
      {{"de_AT.UTF-8@euro"}, "de"},
      {{"pt_BR.UTF-8"}, "pt_BR"},
      {{"pt_PT"}, "pt_BR"},
      {{"zh"}, "zh_CN"},
      {{"zh-Hans-HK"}, "zh_CN"},
      {{"zh_TW.Big5"}, "zh_TW"},
      {{"zh_HK"}, "zh_TW"},
      {{"zh-Hant"}, "zh_TW"},
      {{"JA-jp"}, "ja"},
      {{"es_419"}, "es"},
      {{"fr_FR.UTF-8"}, "en"},        // no catalogue: English
      {{"fr", "", "ru_RU"}, "ru"},    // the first that has one
      {{"fr", "C", "de"}, ""},        // C before any catalogue
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PickCatalogue(c.preferences, codes), c.expected) << testing::PrintToString(c.preferences);
  }
  EXPECT_EQ(PickCatalogue({"fr"}, {"de"}), "") << "without English, the texts as written";
}

TEST(UiLanguageNames, WindowsListInItsOrder) {
  EXPECT_EQ(SplitUiLanguageNames(std::wstring(L"de-DE\0en-US\0\0", 14)), (List{"de-DE", "en-US"}));
  EXPECT_EQ(SplitUiLanguageNames(std::wstring(L"zh-Hant-TW\0\0ja-JP\0", 18)), (List{"zh-Hant-TW"}));
  EXPECT_EQ(SplitUiLanguageNames(L"ko-KR"), (List{"ko-KR"}));
  EXPECT_TRUE(SplitUiLanguageNames(std::wstring(L"\0", 1)).empty());
}

void SetVariable(const char* value) {
#ifdef _WIN32
  _putenv_s(kLanguageVariable, value ? value : "");
#else
  if (value) {
    setenv(kLanguageVariable, value, 1);
  } else {
    unsetenv(kLanguageVariable);
  }
#endif
}

// The option before the variable before the platform's own.
TEST(ProgramLanguage, OptionThenVariableThenPlatform) {
  const char* saved = std::getenv(kLanguageVariable);
  const std::string previous = saved ? saved : "";
  SetVariable("ja:ko");
  EXPECT_EQ(ProgramLanguagePreferences("ru"), (List{"ru"}));
  EXPECT_EQ(ProgramLanguagePreferences(""), (List{"ja", "ko"}));
  EXPECT_EQ(ChooseProgramLanguage("de_DE.UTF-8"), "de");
  EXPECT_EQ(ActiveCatalogue(), "de");
  EXPECT_EQ(ChooseProgramLanguage(""), "ja");
  EXPECT_EQ(ChooseProgramLanguage("C"), "");
  EXPECT_EQ(ActiveCatalogue(), "");
  SetVariable(nullptr);
  EXPECT_EQ(ProgramLanguagePreferences(""), SystemLanguagePreferences());
  EXPECT_FALSE(SystemLanguagePreferences().empty());
  SetVariable(previous.empty() ? nullptr : previous.c_str());
  UseCatalogue("");
}

}  // namespace
}  // namespace tr58k
