#include "settings/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tr58k {
namespace {

struct NameCase {
  const char* what;
  std::u16string input;
  std::vector<uint8_t> expected;
};

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(CodePageTest, ConvertsToGbkWithinFifteenBytes) {
  const char16_t hi = 0xD83D, lo = 0xDE00;  // U+1F600, outside GBK
  const std::vector<NameCase> cases = {
      {"ascii", u"Profile", Bytes("Profile")},
      {"empty", u"", {}},
      {"chinese", u"中文配置", {0xD6, 0xD0, 0xCE, 0xC4, 0xC5, 0xE4, 0xD6, 0xC3}},
      {"latin in gbk", u"é€", {0xA8, 0xA6, 0x80}},
      {"ascii cut at 15", u"abcdefghijklmnopq", Bytes("abcdefghijklmno")},
      // Eight double-byte characters need 16 bytes: the eighth is dropped
      // whole rather than split.
      {"double-byte never split", u"鼠标配置文件名称",
       {0xCA, 0xF3, 0xB1, 0xEA, 0xC5, 0xE4, 0xD6, 0xC3, 0xCE, 0xC4, 0xBC, 0xFE, 0xC3, 0xFB}},
      {"double-byte filling 15", u"a鼠标配置文件名称",
       {'a', 0xCA, 0xF3, 0xB1, 0xEA, 0xC5, 0xE4, 0xD6, 0xC3, 0xCE, 0xC4, 0xBC, 0xFE, 0xC3, 0xFB}},
      {"hangul and thai", u"한ก", Bytes("??")},
      {"surrogate pair is one character", std::u16string{u'a', hi, lo, u'b'}, Bytes("a?b")},
      {"unpaired high", std::u16string{u'a', hi, u'b'}, Bytes("a?b")},
      {"unpaired high at end", std::u16string{u'a', hi}, Bytes("a?")},
      {"unpaired low", std::u16string{lo, u'x'}, Bytes("?x")},
      {"reversed pair", std::u16string{lo, hi}, Bytes("??")},
      {"stops at NUL", std::u16string{u'a', u'b', 0, u'c'}, Bytes("ab")},
  };
  for (const auto& c : cases) {
    const std::string out = ToNameCodePage(c.input, 15);
    EXPECT_EQ(Bytes(out), c.expected) << c.what;
  }
}

TEST(CodePageTest, ReplacementCountsAgainstTheLimit) {
  EXPECT_EQ(ToNameCodePage(u"abcdefghijklmn한x", 15), "abcdefghijklmn?");
  EXPECT_EQ(ToNameCodePage(u"中文", 3), "\xD6\xD0");
  EXPECT_EQ(ToNameCodePage(u"中文", 0), "");
}

}  // namespace
}  // namespace tr58k
