#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace tr58k {
namespace {

ParseResult Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(ParseCommandLine, CommandsAndGlobalOptionsOnEitherSide) {
  auto r = Parse({"--simulate", "--trace", "apply", "--json"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.options.command, CliCommand::kApply);
  EXPECT_TRUE(r.options.simulate);
  EXPECT_TRUE(r.options.trace);
  EXPECT_TRUE(r.options.json);
  EXPECT_TRUE(r.options.changes.Empty());

  const std::pair<const char*, CliCommand> names[] = {{"info", CliCommand::kInfo},
                                                      {"show", CliCommand::kShow},
                                                      {"restore", CliCommand::kRestore},
                                                      {"profile", CliCommand::kProfile}};
  for (const auto& [name, command] : names) {
    r = Parse({name});
    ASSERT_TRUE(r.ok) << name;
    EXPECT_EQ(r.options.command, command);
    EXPECT_FALSE(r.options.simulate);
  }
}

TEST(ParseCommandLine, ApplyValuesInBothSpellings) {
  auto r = Parse({"apply", "--rate", "250", "--levels=3", "--dpi", "50,800,16000,3200",
                  "--backlight=off"});
  ASSERT_TRUE(r.ok) << r.error;
  const ApplyChanges& c = r.options.changes;
  EXPECT_EQ(c.reportInterval, kInterval250Hz);
  EXPECT_EQ(c.dpiLevelCount, 3);
  ASSERT_TRUE(c.dpi.has_value());
  EXPECT_EQ(*c.dpi, (std::array<int16_t, 4>{50, 800, 16000, 3200}));
  EXPECT_EQ(c.wheelBacklight, 0);

  const std::pair<const char*, int16_t> rates[] = {
      {"1000", kInterval1000Hz}, {"500", kInterval500Hz}, {"125", kInterval125Hz}};
  for (const auto& [hz, code] : rates) {
    r = Parse({"apply", "--rate", hz, "--backlight", "on"});
    ASSERT_TRUE(r.ok) << hz;
    EXPECT_EQ(r.options.changes.reportInterval, code);
    EXPECT_EQ(r.options.changes.wheelBacklight, 1);
  }
}

struct BadCase {
  std::vector<std::string> args;
  const char* expectedInMessage;
};

TEST(ParseCommandLine, RefusesBadArgumentsWithAClearMessage) {
  const BadCase cases[] = {
      {{}, "no command"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"show", "extra"}, "unexpected argument 'extra'"},
      {{"show", "--bogus"}, "unknown option '--bogus'"},
      {{"--rate", "1000", "apply"}, "belongs to 'apply'"},
      {{"show", "--dpi", "800,800,800,800"}, "belongs to 'apply'"},
      {{"apply", "--rate"}, "--rate needs a value"},
      {{"apply", "--rate", "300"}, "'300' is not a report rate"},
      {{"apply", "--rate", "1000Hz"}, "not a report rate"},
      {{"apply", "--levels", "0"}, "'0' is not a level count"},
      {{"apply", "--levels", "5"}, "not a level count"},
      {{"apply", "--levels", "-1"}, "not a level count"},
      {{"apply", "--dpi", "800,1600,3200"}, "exactly four values"},
      {{"apply", "--dpi", "800,1600,3200,6400,100"}, "exactly four values"},
      {{"apply", "--dpi", "800,,3200,6400"}, "'' is not a number"},
      {{"apply", "--dpi", "800,1600,3200,6400,"}, "exactly four values"},
      {{"apply", "--dpi", "800,+1600,3200,6400"}, "'+1600' is not a number"},
      {{"apply", "--dpi", "800, 1600,3200,6400"}, "' 1600' is not a number"},
      {{"apply", "--dpi", "-50,1600,3200,6400"}, "'-50' is not a number"},
      {{"apply", "--dpi", "800,1600,3200,16050"}, "16050 for level 4 is out of range"},
      {{"apply", "--dpi", "0,1600,3200,6400"}, "0 for level 1 is out of range"},
      {{"apply", "--dpi", "800,1625,3200,6400"}, "1625 for level 2 is not a multiple of 50"},
      {{"apply", "--dpi", "800,1600,99999999999,6400"}, "is not a number"},
      {{"apply", "--dpi", "800,1600,3200,65600"}, "out of range"},  // 65600 & 0xFFFF = 64
      {{"apply", "--backlight", "yes"}, "neither 'on' nor 'off'"},
      {{"apply", "--rate", "500", "--rate", "500"}, "--rate is given more than once"},
      {{"info", "--json=yes"}, "--json takes no value"},
  };
  for (const auto& c : cases) {
    const auto r = Parse(c.args);
    EXPECT_FALSE(r.ok) << testing::PrintToString(c.args);
    EXPECT_NE(r.error.find(c.expectedInMessage), std::string::npos)
        << testing::PrintToString(c.args) << " gave: " << r.error;
  }
}

TEST(ParseCommandLine, HelpAndVersionWinOverEverythingElse) {
  auto r = Parse({"apply", "--dpi", "5", "--help"});
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.options.help);
  EXPECT_EQ(r.options.command, CliCommand::kApply);
  r = Parse({"--version", "nonsense"});
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.options.version);
  r = Parse({"-h"});
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.options.help);
  EXPECT_EQ(r.options.command, CliCommand::kNone);
}

TEST(HelpText, EachCommandDescribesItselfAndTheExitStatuses) {
  EXPECT_NE(HelpText(CliCommand::kApply).find("--dpi D1,D2,D3,D4"), std::string::npos);
  EXPECT_NE(HelpText(CliCommand::kApply).find("--backlight on|off"), std::string::npos);
  for (CliCommand c : {CliCommand::kNone, CliCommand::kInfo, CliCommand::kShow,
                       CliCommand::kApply, CliCommand::kRestore, CliCommand::kProfile}) {
    const std::string text = HelpText(c);
    EXPECT_NE(text.find("Usage: tr58kctl"), std::string::npos);
    EXPECT_NE(text.find("3 mouse not found"), std::string::npos);
    if (c != CliCommand::kNone) {
      EXPECT_NE(text.find(std::string(CommandName(c))), std::string::npos);
    }
  }
}

TEST(IsValidDpi, RangeAndStep) {
  const std::pair<int, bool> cases[] = {{50, true},     {16000, true}, {800, true},
                                        {0, false},     {49, false},   {75, false},
                                        {16050, false}, {-50, false},  {15999, false}};
  for (const auto& [value, valid] : cases) EXPECT_EQ(IsValidDpi(value), valid) << value;
}

}  // namespace
}  // namespace tr58k
