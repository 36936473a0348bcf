// The hand-written man pages must say what the programs do. tr58kctl's page
// has the same commands, options and exit statuses as its --help; the pages
// of tr58k-config and tr58k-hid-list describe exactly the options their
// sources accept (bar the hidden ones named below); every page names the
// version of this build. An option added to one side only fails here.
#include <gtest/gtest.h>

#include <filesystem>
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

std::string ReadFile(const std::string& path) {
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

// The ".TH" line of a page.
std::string Header(const std::string& page) {
  for (const std::string& line : Lines(page)) {
    if (line.rfind(".TH ", 0) == 0) return line;
  }
  return {};
}

TEST(ManPages, HeadersNameThisVersion) {
  for (const char* name : {"tr58kctl", "tr58k-config", "tr58k-hid-list"}) {
    const std::string path = std::string(TR58K_SOURCE_DIR "/data/man/") + name + ".1";
    const std::string header = Header(ReadFile(path));
    EXPECT_NE(header.find("\"tr58k " TR58K_VERSION "\""), std::string::npos) << path << ": " << header;
  }
}

// The "--option" string literals of a program's sources: what its argument
// parser compares the arguments with.
Names SourceOptions(const std::vector<std::string>& paths) {
  static const std::regex kLiteral(R"re("(--[a-z][a-z-]*[a-z])")re");
  Names options;
  for (const std::string& path : paths) {
    const std::string text = ReadFile(path);
    EXPECT_FALSE(text.empty()) << "cannot read " << path;
    const Names found = Matches(text, kLiteral, 1);
    options.insert(found.begin(), found.end());
  }
  return options;
}

// The sources of a folder, without its tests.
std::vector<std::string> FolderSources(const std::string& folder) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string path = entry.path().string();
    if (entry.path().extension() == ".cpp" && path.find("_test") == std::string::npos) {
      paths.push_back(path);
    }
  }
  return paths;
}

TEST(ManPages, DescribeEveryOptionTheProgramsAcceptAndNoOther) {
  const std::string root = TR58K_SOURCE_DIR;
  struct Program {
    const char* name;
    std::vector<std::string> sources;
    Names hidden;  // accepted, on purpose not documented
  };
  const Program programs[] = {
      // The screenshot flags make the README's pictures; no user needs them.
      {"tr58k-config", FolderSources(root + "/src/app"), {"--screenshot", "--screenshot-update"}},
      {"tr58k-hid-list", {root + "/src/device/linux/hid_list_main.cpp"}, {}},
  };
  for (const Program& program : programs) {
    const std::string page = ReadFile(root + "/data/man/" + program.name + ".1");
    ASSERT_FALSE(page.empty()) << program.name;
    const Names accepted = SourceOptions(program.sources);
    ASSERT_FALSE(accepted.empty()) << program.name << ": no option found in its sources";
    Names documented;
    for (const std::string& option : accepted) {
      if (!program.hidden.count(option)) documented.insert(option);
    }
    EXPECT_EQ(DescribedOptions(page, {"OPTIONS"}), documented) << program.name;
    for (const std::string& mentioned : Matches(Unescape(page), kLongOption)) {
      EXPECT_TRUE(documented.count(mentioned)) << program.name << " mentions " << mentioned;
    }
  }
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
