#include "i18n/text_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tr58k {
namespace {

class TextLookup : public ::testing::Test {
 protected:
  void TearDown() override { UseCatalogue(""); }
};

TEST_F(TextLookup, WithoutACatalogueEveryTextIsAsWritten) {
  const char* msgid = "固件更新";
  EXPECT_EQ(Tr(msgid), msgid) << "the same pointer, not a copy";
  EXPECT_STREQ(TrN("%1 block", "%1 blocks", 1), "%1 block");
  EXPECT_STREQ(TrN("%1 block", "%1 blocks", 0), "%1 blocks");
}

// The programs carry every catalogue of po/LINGUAS, each read; a missing
// text falls back to itself, "" is never the header.
TEST_F(TextLookup, ACatalogueTranslatesAndFallsBackToTheText) {
  EXPECT_EQ(CatalogueCodes(),
            (std::vector<std::string>{"de", "en", "es", "ja", "ko", "pt_BR", "ru", "zh_CN", "zh_TW"}));
  ASSERT_TRUE(UseCatalogue("en"));
  EXPECT_EQ(ActiveCatalogue(), "en");
  EXPECT_STREQ(Tr("退出"), "Exit");
  EXPECT_STREQ(Tr("Report rate"), "Report rate");
  const char* unknown = "a text no catalogue has";
  EXPECT_EQ(Tr(unknown), unknown);
  EXPECT_STREQ(Tr(""), "");
  ASSERT_TRUE(UseCatalogue("zh_CN"));
  EXPECT_STREQ(Tr("退出"), "退出") << "Simplified Chinese: the windows' own texts";
  EXPECT_STREQ(TrN("%1 block", "%1 blocks", 2), "%1 块");
  EXPECT_FALSE(UseCatalogue("xx"));
  EXPECT_EQ(ActiveCatalogue(), "zh_CN") << "an unknown code changes nothing";
  ASSERT_TRUE(UseCatalogue(""));
  EXPECT_EQ(ActiveCatalogue(), "");
}

TEST(Format, FillsNumberedPlaceholdersInOnePass) {
  struct Case {
    const char* text;
    std::vector<std::string> args;
    const char* expected;
  };
  const Case cases[] = {
      {"%1 for level %2", {"16050", "4"}, "16050 for level 4"},
      {"Stufe %2: %1", {"16050", "4"}, "Stufe 4: 16050"},
      {"%1 and %1", {"x"}, "x and x"},
      {"%1", {"%2"}, "%2"},                 // an argument is not read again
      {"%3 %1", {"a"}, "%3 a"},             // no third argument: kept
      {"100%", {}, "100%"},
      {"%1%", {"  52"}, "  52%"},
      {"%%1 %0 %a", {"x"}, "%x %0 %a"},
  };
  for (const Case& c : cases) {
    std::string got;
    if (c.args.empty()) got = Format(c.text, {});
    if (c.args.size() == 1) got = Format(c.text, {c.args[0]});
    if (c.args.size() == 2) got = Format(c.text, {c.args[0], c.args[1]});
    EXPECT_EQ(got, c.expected) << c.text;
  }
}

}  // namespace
}  // namespace tr58k
