#include "cli/windows_console.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tr58k {
namespace {

TEST(WindowsConsoleTest, Utf8SequencesAreNeverSplit) {
  struct Case {
    std::string text;
    size_t ready;
  };
  const std::vector<Case> cases = {
      {"", 0},
      {"abc\n", 4},
      {"\xE4\xB8\xAD", 3},          // 中 whole
      {"a\xE4\xB8", 1},             // 中 missing its last byte
      {"a\xE4", 1},
      {"\xF0\x9F\x98\x80", 4},      // four-byte sequence whole
      {"\xF0\x9F\x98", 0},
      {"\xC3\xA9x", 3},
      {"\xC3", 0},
      {"\x80\x80\x80\x80\x80", 5},  // no lead byte at all: passed on
  };
  for (const Case& c : cases) EXPECT_EQ(CompleteUtf8Prefix(c.text), c.ready) << c.text.size();
}

// Redirected output (a pipe here) is the UTF-8 bytes exactly, with "\n"
// line ends, however the writes were cut.
TEST(WindowsConsoleTest, RedirectedOutputIsPlainUtf8) {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16));
  {
    ConsoleStreamBuf buf(writeEnd);
    EXPECT_FALSE(buf.IsConsole());
    std::ostream out(&buf);
    out << "\xE6\xA3\x80\xE6\xB5\x8B";  // 检测
    out.write("\xE4", 1);
    out.write("\xB8\xAD\n", 3);
    out << "[####    ] 50%\r" << std::flush;
  }
  ::CloseHandle(writeEnd);
  std::string got(256, '\0');
  DWORD n = 0;
  ASSERT_TRUE(::ReadFile(readEnd, got.data(), static_cast<DWORD>(got.size()), &n, nullptr));
  got.resize(n);
  ::CloseHandle(readEnd);
  EXPECT_EQ(got, "\xE6\xA3\x80\xE6\xB5\x8B\xE4\xB8\xAD\n[####    ] 50%\r");
}

}  // namespace
}  // namespace tr58k
