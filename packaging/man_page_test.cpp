// The hand-written man page of tr58kctl must say what --help says: the same
// commands, the same options and the same exit statuses, and the version of
// this build. A command or option added to one and not the other fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace tr58k {
namespace {

using Names = std::set<std::string>;

std::string ReadFile(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// roff writes a literal minus as "\-".
std::string Unescape(std::string text) {
  for (size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
  return text;
}

Names Matches(const std::string& text, const std::regex& pattern, int group = 0) {
  Names names;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    names.insert((*it)[group].str());
  }
  return names;
}

// The lines of one ".SH NAME" section, up to the next section.
std::vector<std::string> Section(const std::string& page, const std::string& name) {
  std::vector<std::string> section;
  bool inside = false;
  for (const std::string& line : Lines(page)) {
    if (line.rfind(".SH", 0) == 0) {
      inside = line == ".SH " + name || line == ".SH \"" + name + "\"";
      continue;
    }
    if (inside) section.push_back(line);
  }
  return section;
}

// The ".B word" tags of a section's top-level ".TP" items (those nested
// between .RS and .RE, such as apply's options, are not items of the section).
Names ItemTags(const std::vector<std::string>& section) {
  Names tags;
  int depth = 0;
  for (size_t i = 0; i + 1 < section.size(); ++i) {
    if (section[i].rfind(".RS", 0) == 0) ++depth;
    if (section[i].rfind(".RE", 0) == 0) --depth;
    if (depth == 0 && section[i] == ".TP" && section[i + 1].rfind(".B ", 0) == 0) {
      tags.insert(Unescape(section[i + 1].substr(3)));
    }
  }
  return tags;
}

// The long options that head a ".TP" item, at any depth, in the given
// sections: the options the page actually describes, not mere mentions.
Names DescribedOptions(const std::string& page, const std::vector<std::string>& sections) {
  static const std::regex kOption(R"(--[a-z][a-z-]*[a-z])");
  Names options;
  for (const std::string& name : sections) {
    const std::vector<std::string> section = Section(page, name);
    for (size_t i = 0; i + 1 < section.size(); ++i) {
      if (section[i] != ".TP") continue;
      const Names found = Matches(Unescape(section[i + 1]), kOption);
      options.insert(found.begin(), found.end());
    }
  }
  return options;
}

// "  info      whether ..." lines of the general help's command list.
Names HelpCommands() {
  const std::string help = HelpText(CliCommand::kNone);
  const size_t list = help.find("Commands:\n");
  if (list == std::string::npos) return {};
  const size_t end = help.find("\n\n", list);
  return Matches(help.substr(list, end - list), std::regex(R"(\n  ([a-z]+) {2,})"), 1);
}

// The general help and the help of every command it lists; each command is
// found the way a user reaches its help, "tr58kctl COMMAND --help".
std::string AllHelp() {
  std::string all = HelpText(CliCommand::kNone);
  for (const std::string& name : HelpCommands()) {
    const ParseResult parsed = ParseCommandLine({name, "--help"});
    EXPECT_TRUE(parsed.ok && parsed.options.command != CliCommand::kNone) << name;
    all += HelpText(parsed.options.command);
  }
  return all;
}

// "0 success, 2 bad arguments, ..." after "Exit status:".
Names HelpExitStatuses() {
  const std::string help = HelpText(CliCommand::kNone);
  const size_t at = help.find("Exit status:");
  if (at == std::string::npos) return {};
  return Matches(help.substr(at + 12), std::regex(R"((?:^|,)\s*(\d+) )"), 1);
}

const std::regex kLongOption(R"(--[a-z][a-z-]*[a-z])");

class ManPage : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = ReadFile(TR58K_MAN_PAGE);
    ASSERT_FALSE(page_.empty()) << "cannot read " << TR58K_MAN_PAGE;
  }
  std::string page_;
};

TEST_F(ManPage, DescribesEveryCommandOfTheHelpAndNoOther) {
  const Names help = HelpCommands();
  ASSERT_FALSE(help.empty()) << "no command list found in the general help";
  EXPECT_EQ(ItemTags(Section(page_, "COMMANDS")), help);
}

TEST_F(ManPage, DescribesEveryOptionOfTheHelpAndNoOther) {
  const Names help = Matches(AllHelp(), kLongOption);
  ASSERT_FALSE(help.empty());
  EXPECT_EQ(DescribedOptions(page_, {"COMMANDS", "OPTIONS"}), help);
  // Nor does any other part of the page mention an option that does not exist.
  for (const std::string& mentioned : Matches(Unescape(page_), kLongOption)) {
    EXPECT_TRUE(help.count(mentioned)) << mentioned;
  }
}

TEST_F(ManPage, ListsTheSameExitStatusesAsTheHelp) {
  const Names help = HelpExitStatuses();
  ASSERT_FALSE(help.empty()) << "no exit statuses found in the general help";
  EXPECT_EQ(ItemTags(Section(page_, "EXIT STATUS")), help);
}

TEST_F(ManPage, HeaderNamesThisVersion) {
  std::string header;
  for (const std::string& line : Lines(page_)) {
    if (line.rfind(".TH ", 0) == 0) {
      header = line;
      break;
    }
  }
  EXPECT_NE(header.find("\"tr58k " TR58K_VERSION "\""), std::string::npos) << header;
}

// The readers above must find what they look for, or the comparisons pass
// on two empty sets.
TEST(ManPageReaders, FindItemsOnlyAtTheTopLevelOfTheirSection) {
  const std::string page =
      ".TH X 1\n.SH COMMANDS\n.TP\n.B info\ntext\n.TP\n.B apply\n.RS\n.TP\n.B \\-\\-rate\n"
      ".RE\n.SH EXIT STATUS\n.TP\n.B 0\nok\n.TP\n.B 3\nnot found\n";
  EXPECT_EQ(ItemTags(Section(page, "COMMANDS")), (Names{"info", "apply"}));
  EXPECT_EQ(ItemTags(Section(page, "EXIT STATUS")), (Names{"0", "3"}));
  EXPECT_EQ(Matches(Unescape(page), kLongOption), (Names{"--rate"}));
  EXPECT_EQ(DescribedOptions(page, {"COMMANDS"}), (Names{"--rate"}));
  EXPECT_TRUE(DescribedOptions(page, {"EXIT STATUS"}).empty());
}

TEST(ManPageReaders, ReadTheHelpsCommandListAndExitStatuses) {
  const Names commands = HelpCommands();
  EXPECT_TRUE(commands.count("info") && commands.count("apply")) << commands.size();
  const Names statuses = HelpExitStatuses();
  EXPECT_TRUE(statuses.count("0") && statuses.count(std::to_string(kExitAccessDenied)));
}

}  // namespace
}  // namespace tr58k
