// The name's code page on Windows is the thread's: the shared name tests
// expect GBK, so this test program runs on a thread with the Simplified
// Chinese locale (code page 936), as on a Chinese Windows. UTF-8 (65001),
// which Windows 10 and 11 can make every thread's ANSI code page and Wine
// cannot, is played by a stand-in that keeps WideCharToMultiByte's rules for it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/code_page.h"
#include "settings/code_page_windows.h"
#include "settings/device_settings.h"
#include "settings/mouse_settings.h"

namespace tr58k {
namespace {

const LCID kChinese = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
const LCID kEnglish = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

// Before any test runs, on the thread gtest runs them on.
const bool kChineseThread = ::SetThreadLocale(kChinese) != 0;

// The thread's ANSI code page as 65001. Microsoft documents that for UTF-8
// the default-character arguments must be null and the flags 0 or
// WC_ERR_INVALID_CHARS, else the call fails with ERROR_INVALID_PARAMETER.
int Utf8ThreadCodePage(UINT codePage, DWORD flags, LPCWCH wide, int wideCount, LPSTR out,
                       int outSize, LPCCH defaultChar, LPBOOL usedDefault) {
  if (codePage == CP_THREAD_ACP || codePage == CP_ACP) codePage = CP_UTF8;
  if (codePage == CP_UTF8 && (defaultChar != nullptr || usedDefault != nullptr ||
                              (flags != 0 && flags != WC_ERR_INVALID_CHARS))) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return ::WideCharToMultiByte(codePage, flags, wide, wideCount, out, outSize, defaultChar,
                               usedDefault);
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(CodePageWindowsTest, Utf8CodePageGivesTheUtf8BytesCutBetweenCharacters) {
  const char16_t hi = 0xD83D, lo = 0xDE00;  // U+1F600
  struct Case {
    const char* what;
    std::u16string name;
    std::string expected;
  };
  const Case cases[] = {
      {"ascii", u"Profile", "Profile"},
      // Five three-byte characters fill the 15 bytes; the sixth is dropped.
      {"chinese cut at 15", u"鼠标配置文件名",
       "\xE9\xBC\xA0\xE6\xA0\x87\xE9\x85\x8D\xE7\xBD\xAE\xE6\x96\x87"},
      {"never split", u"ab鼠标配置文件",
       "ab\xE9\xBC\xA0\xE6\xA0\x87\xE9\x85\x8D\xE7\xBD\xAE"},
      {"four-byte character", std::u16string{u'a', hi, lo}, "a\xF0\x9F\x98\x80"},
      {"unpaired surrogate", std::u16string{hi, u'x'}, "?x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Bytes(ToNameCodePageWith(Utf8ThreadCodePage, c.name, 15)), Bytes(c.expected)) << c.what;
  }
}

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

// The name field of the block the mouse receives (bytes 0x01 to 0x10), for
// the code pages a thread can have under Wine.
TEST(CodePageWindowsTest, BlockNameBytesInCodePages1252And936) {
  struct Case {
    LCID locale;
    std::u16string name;
    std::vector<uint8_t> field;
  };
  const Case cases[] = {
      {kEnglish, u"Profile", {'P', 'r', 'o', 'f', 'i', 'l', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {kChinese, u"Profile", {'P', 'r', 'o', 'f', 'i', 'l', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {kChinese, u"鼠标配置",
       {0xCA, 0xF3, 0xB1, 0xEA, 0xC5, 0xE4, 0xD6, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0}},
      {kEnglish, u"鼠标配置", {'?', '?', '?', '?', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(::SetThreadLocale(c.locale));
    MouseSettings settings;
    settings.profileName = c.name;
    DeviceSettings device;
    ToDeviceSettings(settings, device);
    DeviceConfigBlock block{};
    EncodeConfigBlock(device, block);
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + 1, block.begin() + 17), c.field) << c.locale;
    EXPECT_EQ(block[0x11], 0x00) << c.locale;  // the block length follows the field
    EXPECT_EQ(block[0x12], 0x04) << c.locale;
  }
  ::SetThreadLocale(kChinese);
}

}  // namespace
}  // namespace tr58k
