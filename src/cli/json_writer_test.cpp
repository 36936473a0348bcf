#include "cli/json_writer.h"

#include <gtest/gtest.h>

namespace tr58k {
namespace {

struct Utf16Case {
  const char* what;
  std::u16string in;
  std::string out;
};

TEST(Utf16ToUtf8, ConvertsAndReplacesUnpairedSurrogates) {
  const Utf16Case cases[] = {
      {"ascii", u"Profile", "Profile"},
      {"two-byte", u"\u00e9", "\xc3\xa9"},
      {"chinese", u"\u914d\u7f6e", "\xe9\x85\x8d\xe7\xbd\xae"},
      {"pair", u"\xd83d\xde00", "\xf0\x9f\x98\x80"},
      {"lone high at end", u"a\xd83d", "a\xef\xbf\xbd"},
      {"high then letter", u"\xd83d" u"A", "\xef\xbf\xbd" "A"},
      {"lone low", u"\xde00" u"b", "\xef\xbf\xbd" "b"},
      {"embedded nul", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToUtf8(c.in), c.out) << c.what;
}

TEST(SanitizeUtf8, KeepsValidTextAndReplacesEachBadByte) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/\xe5\xbc\xa0/x", "/home/\xe5\xbc\xa0/x"},
      {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
      {"a\xffz", "a\xef\xbf\xbdz"},
      {"\xc0\x80", "\xef\xbf\xbd\xef\xbf\xbd"},            // overlong NUL
      {"\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},  // encoded surrogate
      {"\xe9\x85", "\xef\xbf\xbd\xef\xbf\xbd"},            // cut short
      {"\xf4\x90\x80\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},  // > U+10FFFF
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(SanitizeUtf8(in), out) << in;
}

TEST(JsonQuote, EscapesWhatJsonAndTerminalsNeed) {
  const std::pair<std::string, std::string> cases[] = {
      {"Profile", "\"Profile\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"\n\t\r\b\f", "\"\\n\\t\\r\\b\\f\""},
      {"\x01\x1b[31m\x1f\x7f", "\"\\u0001\\u001b[31m\\u001f\\u007f\""},
      {"\xe2\x80\xa8|\xe2\x80\xa9", "\"\\u2028|\\u2029\""},
      {"\xe9\x85\x8d", "\"\xe9\x85\x8d\""},
      {"bad\xff", "\"bad\xef\xbf\xbd\""},
      {std::string("nul\0", 4), "\"nul\\u0000\""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(JsonQuote(in), out) << in;
}

TEST(JsonWriter, PlacesCommasAcrossNesting) {
  JsonWriter json;
  json.BeginObject();
  json.Key("a").BeginArray().Int(1).BeginArray().Int(-2).Int(3).EndArray().EndArray();
  json.Key("b").Null();
  json.Key("c").Bool(true);
  json.Key("d").String(u"\u914d");
  json.Key("e").BeginObject().EndObject();
  json.Key("f").BeginArray().EndArray();
  json.EndObject();
  EXPECT_EQ(json.Text(),
            "{\"a\":[1,[-2,3]],\"b\":null,\"c\":true,\"d\":\"\xe9\x85\x8d\",\"e\":{},\"f\":[]}");
}

}  // namespace
}  // namespace tr58k
