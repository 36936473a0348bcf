#include "i18n/mo_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "i18n/plural_rule.h"

namespace tr58k {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// The .mo layout msgfmt writes: header, the two tables of (length, offset),
// then every text with its NUL. Entries are sorted unless `keepOrder`.
std::vector<uint8_t> BuildMo(Entries entries, bool bigEndian = false, bool keepOrder = false) {
  if (!keepOrder) std::sort(entries.begin(), entries.end());
  std::vector<uint8_t> out;
  const auto word = [&](size_t at, uint32_t value) {
    if (out.size() < at + 4) out.resize(at + 4);
    for (int k = 0; k < 4; ++k) {
      const int shift = bigEndian ? 24 - 8 * k : 8 * k;
      out[at + static_cast<size_t>(k)] = static_cast<uint8_t>(value >> shift);
    }
  };
  const auto n = static_cast<uint32_t>(entries.size());
  const uint32_t originals = 28;
  const uint32_t translations = originals + 8 * n;
  word(0, 0x950412de);
  word(4, 0);
  word(8, n);
  word(12, originals);
  word(16, translations);
  word(20, 0);
  word(24, 0);
  out.resize(translations + 8 * n);
  for (uint32_t i = 0; i < n; ++i) {
    for (int side = 0; side < 2; ++side) {
      const std::string& text = side == 0 ? entries[i].first : entries[i].second;
      word((side == 0 ? originals : translations) + 8 * i, static_cast<uint32_t>(text.size()));
      word((side == 0 ? originals : translations) + 8 * i + 4, static_cast<uint32_t>(out.size()));
      out.insert(out.end(), text.begin(), text.end());
      out.push_back(0);
    }
  }
  return out;
}

const std::string kRussianHeader =
    "Language: ru\nPlural-Forms: nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && "
    "n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);\n";

Entries RussianEntries() {
  using namespace std::string_literals;
  return {{"", kRussianHeader},
          {"Mouse", "Мышь"},
          {"untranslated", ""},
          {"%1 block\0%1 blocks"s, "%1 блок\0%1 блока\0%1 блоков"s}};
}

TEST(MoCatalogue, FindsTextsAndPluralFormsInEitherByteOrder) {
  for (bool bigEndian : {false, true}) {
    const std::vector<uint8_t> bytes = BuildMo(RussianEntries(), bigEndian);
    MoCatalogue catalogue;
    ASSERT_TRUE(catalogue.Load(bytes)) << bigEndian;
    EXPECT_STREQ(catalogue.Find("Mouse"), "Мышь");
    EXPECT_EQ(catalogue.Find("Maus"), nullptr);
    EXPECT_EQ(catalogue.Find("untranslated"), nullptr) << "an empty translation is none";
    EXPECT_EQ(catalogue.HeaderField("Language"), "ru");
    EXPECT_EQ(catalogue.Plural().FormCount(), 3);
    const std::pair<unsigned long, const char*> forms[] = {
        {1, "%1 блок"}, {2, "%1 блока"}, {5, "%1 блоков"}, {11, "%1 блоков"},
        {21, "%1 блок"}, {22, "%1 блока"}, {112, "%1 блоков"}, {0, "%1 блоков"}};
    for (const auto& [n, form] : forms) EXPECT_STREQ(catalogue.FindPlural("%1 block", n), form) << n;
  }
}

TEST(MoCatalogue, RefusesWhatIsNotACatalogue) {
  const std::vector<uint8_t> good = BuildMo(RussianEntries());
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"header only", std::vector<uint8_t>(good.begin(), good.begin() + 20)});
  std::vector<uint8_t> magic = good;
  magic[0] ^= 1;
  cases.push_back({"wrong magic", magic});
  cases.push_back({"cut short", std::vector<uint8_t>(good.begin(), good.end() - 3)});
  std::vector<uint8_t> offset = good;
  offset[28 + 4] = 0xFF;  // the first original's offset, far outside
  offset[28 + 7] = 0x7F;
  cases.push_back({"text outside the bytes", offset});
  std::vector<uint8_t> unterminated = good;
  unterminated.back() = 'x';
  cases.push_back({"last text without its NUL", unterminated});
  cases.push_back({"out of order", BuildMo({{"b", "B"}, {"a", "A"}}, false, true)});
  cases.push_back({"no entries", BuildMo({})});
  for (const Case& c : cases) {
    MoCatalogue catalogue;
    EXPECT_FALSE(catalogue.Load(c.bytes)) << c.what;
    EXPECT_FALSE(catalogue.Loaded()) << c.what;
    EXPECT_EQ(catalogue.Find("Mouse"), nullptr) << c.what;
  }
}

TEST(PluralRule, EvaluatesTheRulesOfTheCatalogues) {
  struct Case {
    const char* field;
    std::vector<std::pair<unsigned long, int>> forms;  // n, form
  };
  const Case cases[] = {
      {"nplurals=2; plural=(n != 1);", {{0, 1}, {1, 0}, {2, 1}, {100, 1}}},
      {"nplurals=1; plural=0;", {{0, 0}, {1, 0}, {7, 0}}},
      {"nplurals=2; plural=(n > 1);", {{0, 0}, {1, 0}, {2, 1}}},  // pt_BR
      {"nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && "
       "(n%100<10 || n%100>=20) ? 1 : 2);",
       {{1, 0}, {3, 1}, {11, 2}, {14, 2}, {24, 1}, {111, 2}, {101, 0}}},
      {"nplurals=2; plural=!(n==1) ;", {{1, 0}, {2, 1}}},
      // Division by zero gives 0; a form out of range (5, or 7 - 8 wrapped)
      // gives form 0.
      {"nplurals=2; plural=n/0+n%0+7-n*2;", {{1, 0}, {3, 1}, {4, 0}}},
  };
  for (const Case& c : cases) {
    PluralRule rule;
    ASSERT_TRUE(rule.Parse(c.field)) << c.field;
    for (const auto& [n, form] : c.forms) EXPECT_EQ(rule.FormFor(n), form) << c.field << " n=" << n;
  }
}

TEST(PluralRule, KeepsTheEnglishRuleForWhatItCannotRead) {
  const std::string deep = "nplurals=2; plural=" + std::string(200, '(') + "n" + std::string(200, ')');
  for (const std::string& field :
       {std::string("plural=(n != 1);"), std::string("nplurals=0; plural=0;"),
        std::string("nplurals=2; plural=(n != 1;"), std::string("nplurals=2; plural=n ? 1;"),
        std::string("nplurals=2; plural=n == 1 x;"), deep}) {
    PluralRule rule;
    EXPECT_FALSE(rule.Parse(field)) << field;
    EXPECT_EQ(rule.FormCount(), 2);
    EXPECT_EQ(rule.FormFor(1), 0) << field;
    EXPECT_EQ(rule.FormFor(5), 1) << field;
  }
}

}  // namespace
}  // namespace tr58k
