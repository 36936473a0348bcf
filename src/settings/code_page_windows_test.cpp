// The name's code page on Windows is the thread's: the shared name tests
// expect GBK, so this test program runs on a thread with the Simplified
// Chinese locale (code page 936), as on a Chinese Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "settings/code_page.h"

namespace tr58k {
namespace {

const LCID kChinese = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
const LCID kEnglish = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

// Before any test runs, on the thread gtest runs them on.
const bool kChineseThread = ::SetThreadLocale(kChinese) != 0;

TEST(CodePageWindowsTest, ConversionFollowsTheThreadsCodePage) {
  ASSERT_TRUE(kChineseThread);
  struct Case {
    LCID locale;
    std::u16string name;
    std::string expected;
  };
  const Case cases[] = {
      {kChinese, u"é中", "\xA8\xA6\xD6\xD0"},
      {kEnglish, u"é中", "\xE9?"},  // Western code page 1252: no Chinese
      {kEnglish, u"ééééééééééééééééé", std::string(15, '\xE9')},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(::SetThreadLocale(c.locale));
    EXPECT_EQ(ToNameCodePage(c.name, 15), c.expected) << c.locale;
  }
  ::SetThreadLocale(kChinese);
}

}  // namespace
}  // namespace tr58k
