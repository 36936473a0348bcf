#include "i18n/language_choice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "i18n/text_lookup.h"

namespace tr58k {

namespace {

// The parts of a locale name or tag that choose a catalogue.
struct Tag {
  std::string language;  // lower case: "pt"
  std::string script;    // title case: "Hant"
  std::string region;    // upper case: "BR"
};

// "de_DE.UTF-8@euro" and "de-DE" alike; codeset and modifier dropped.
Tag ParseTag(std::string_view text) {
  text = text.substr(0, text.find_first_of(".@"));
  Tag tag;
  size_t part = 0;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find_first_of("_-", at);
    if (end == std::string_view::npos) end = text.size();
    std::string piece(text.substr(at, end - at));
    for (char& c : piece) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (part == 0) {
      tag.language = piece;
    } else if (piece.size() == 4 && tag.script.empty()) {
      piece[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(piece[0])));
      tag.script = piece;
    } else if ((piece.size() == 2 || piece.size() == 3) && tag.region.empty()) {
      for (char& c : piece) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      tag.region = piece;
    }
    ++part;
    at = end + 1;
  }
  return tag;
}

bool IsSourceLocale(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  return name == "C" || name == "POSIX";
}

bool Has(const std::vector<std::string>& codes, const std::string& code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The catalogue one preference names; "" when the program has none for it.
std::string CatalogueFor(const Tag& tag, const std::vector<std::string>& codes) {
  if (tag.language.empty()) return {};
  if (tag.language == "zh") {
    // Traditional characters: by script, else by the regions that use them.
    const bool traditional = tag.script == "Hant" ||
                             (tag.script.empty() && (tag.region == "TW" || tag.region == "HK" ||
                                                     tag.region == "MO"));
    const std::string code = traditional ? "zh_TW" : "zh_CN";
    return Has(codes, code) ? code : std::string();
  }
  if (!tag.region.empty() && Has(codes, tag.language + "_" + tag.region)) {
    return tag.language + "_" + tag.region;
  }
  if (Has(codes, tag.language)) return tag.language;
  // "pt" or "pt_PT" read the one Portuguese there is.
  for (const std::string& code : codes) {
    if (code.rfind(tag.language + "_", 0) == 0) return code;
  }
  return {};
}

std::string Environment(const std::function<const char*(const char*)>& getenv, const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

}  // namespace

std::vector<std::string> PosixLanguagePreferences(
    const std::function<const char*(const char*)>& getenv) {
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = Environment(getenv, name);
    if (!locale.empty()) break;
  }
  if (locale.empty() || IsSourceLocale(locale)) return {"C"};
  std::vector<std::string> preferences = SplitLanguageList(Environment(getenv, "LANGUAGE"));
  if (preferences.empty()) preferences.push_back(locale);
  return preferences;
}

std::vector<std::string> SplitLanguageList(std::string_view value) {
  std::vector<std::string> list;
  for (size_t at = 0; at <= value.size();) {
    size_t end = value.find(':', at);
    if (end == std::string_view::npos) end = value.size();
    if (end > at) list.emplace_back(value.substr(at, end - at));
    at = end + 1;
  }
  return list;
}

std::string PickCatalogue(const std::vector<std::string>& preferences,
                          const std::vector<std::string>& codes) {
  if (preferences.empty()) return {};
  for (const std::string& preference : preferences) {
    if (IsSourceLocale(preference)) return {};
    const std::string code = CatalogueFor(ParseTag(preference), codes);
    if (!code.empty()) return code;
  }
  return Has(codes, "en") ? "en" : "";
}

std::vector<std::string> ProgramLanguagePreferences(std::string_view option) {
  if (!option.empty()) return SplitLanguageList(option);
  const char* variable = std::getenv(kLanguageVariable);
  if (variable && *variable) return SplitLanguageList(variable);
  return SystemLanguagePreferences();
}

std::string ChooseProgramLanguage(std::string_view option) {
  const std::string code = PickCatalogue(ProgramLanguagePreferences(option), CatalogueCodes());
  UseCatalogue(code);
  return code;
}

}  // namespace tr58k
