// Checks 70-zemo-tr58k.rules without a running udev: the file is read with
// udev's rule syntax and its rules are run against hidraw devices described
// the way sysfs shows them. (udevadm verify, where it exists, checks the
// syntax too; Debian 12's udevadm does not have it.)
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

struct Key {
  std::string name;  // "SUBSYSTEM", "ATTRS", "TAG"
  std::string attr;  // "idVendor" of ATTRS{idVendor}, else empty
  std::string op;    // "==", "!=", "=", "+=", "-=", ":="
  std::string value;
};
using Rule = std::vector<Key>;

// One device of the chain from a node up to the root, as sysfs shows it.
struct SysDevice {
  std::string subsystem;
  std::map<std::string, std::string> attrs;
};

bool IsMatchOp(const std::string& op) { return op == "==" || op == "!="; }

// Parses one rule line into keys; nullopt with `error` set on bad syntax.
std::optional<Rule> ParseRule(const std::string& line, std::string& error) {
  const auto fail = [&error](std::string message) -> std::optional<Rule> {
    error = std::move(message);
    return std::nullopt;
  };
  Rule rule;
  size_t i = 0;
  const auto skip = [&] {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ',')) ++i;
  };
  for (skip(); i < line.size(); skip()) {
    Key key;
    while (i < line.size() && (std::isupper(static_cast<unsigned char>(line[i])) || line[i] == '_')) {
      key.name += line[i++];
    }
    if (i < line.size() && line[i] == '{') {
      const size_t close = line.find('}', i);
      if (close == std::string::npos) return fail("unclosed { in " + line);
      key.attr = line.substr(i + 1, close - i - 1);
      i = close + 1;
    }
    for (const char* op : {"==", "!=", "+=", "-=", ":=", "="}) {
      if (line.compare(i, std::char_traits<char>::length(op), op) == 0) {
        key.op = op;
        break;
      }
    }
    if (key.name.empty() || key.op.empty()) return fail("no key or operator at: " + line.substr(i));
    i += key.op.size();
    if (i >= line.size() || line[i] != '"') return fail("unquoted value of " + key.name);
    const size_t close = line.find('"', i + 1);
    if (close == std::string::npos) return fail("unclosed value of " + key.name);
    key.value = line.substr(i + 1, close - i - 1);
    i = close + 1;
    rule.push_back(key);
  }
  return rule;
}

std::vector<Rule> ReadRules(const std::string& path, std::vector<std::string>& errors) {
  std::ifstream in(path);
  if (!in) errors.push_back("cannot open " + path);
  std::vector<Rule> rules;
  std::string line;
  for (std::string part; std::getline(in, part);) {
    if (!part.empty() && part.back() == '\\') {  // continued on the next line
      line += part.substr(0, part.size() - 1);
      continue;
    }
    line += part;
    const size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos && line[start] != '#') {
      std::string error;
      if (auto rule = ParseRule(line.substr(start), error)) {
        rules.push_back(*rule);
      } else {
        errors.push_back(error);
      }
    }
    line.clear();
  }
  return rules;
}

// udev's value patterns: shell globs, alternatives split by '|'.
bool ValueMatches(const std::string& pattern, const std::string& value) {
  size_t start = 0;
  while (true) {
    const size_t bar = pattern.find('|', start);
    const std::string one = pattern.substr(start, bar == std::string::npos ? bar : bar - start);
    if (fnmatch(one.c_str(), value.c_str(), 0) == 0) return true;
    if (bar == std::string::npos) return false;
    start = bar + 1;
  }
}

// Whether every match key of `rule` holds for the node chain[0]. As in udev,
// all ATTRS keys must hold on one and the same device of the chain.
bool RuleMatches(const Rule& rule, const std::vector<SysDevice>& chain) {
  std::vector<const Key*> attrs;
  for (const Key& key : rule) {
    if (!IsMatchOp(key.op)) continue;
    const bool want = key.op == "==";
    if (key.name == "SUBSYSTEM") {
      if (ValueMatches(key.value, chain.front().subsystem) != want) return false;
    } else if (key.name == "ATTRS") {
      attrs.push_back(&key);
    } else {
      ADD_FAILURE() << "the test does not know the match key " << key.name;
      return false;
    }
  }
  if (attrs.empty()) return true;
  for (const SysDevice& device : chain) {
    bool all = true;
    for (const Key* key : attrs) {
      const auto it = device.attrs.find(key->attr);
      const bool holds = it != device.attrs.end() && ValueMatches(key->value, it->second);
      all = all && holds == (key->op == "==");
    }
    if (all) return true;
  }
  return false;
}

std::set<std::string> TagsFor(const std::vector<Rule>& rules, const std::vector<SysDevice>& chain) {
  std::set<std::string> tags;
  for (const Rule& rule : rules) {
    if (!RuleMatches(rule, chain)) continue;
    for (const Key& key : rule) {
      if (key.name == "TAG" && (key.op == "+=" || key.op == "=")) tags.insert(key.value);
    }
  }
  return tags;
}

// A hidraw node of a USB device vid:pid, as sysfs chains it: the node, the
// HID device, the USB interface, the USB device.
std::vector<SysDevice> UsbChain(const std::string& subsystem, const std::string& vid,
                                const std::string& pid) {
  return {{subsystem, {{"dev", "243:0"}}},
          {"hid", {{"country", "00"}}},
          {"usb", {{"bInterfaceNumber", "01"}, {"bInterfaceClass", "03"}}},
          {"usb", {{"idVendor", vid}, {"idProduct", pid}, {"manufacturer", "ZEMO"}}},
          {"usb", {{"idVendor", "1d6b"}, {"idProduct", "0002"}}}};
}

class UdevRule : public ::testing::Test {
 protected:
  void SetUp() override {
    rules_ = ReadRules(TR58K_UDEV_RULE, errors_);
    ASSERT_TRUE(errors_.empty()) << errors_.front();
    ASSERT_FALSE(rules_.empty());
  }
  std::vector<Rule> rules_;
  std::vector<std::string> errors_;
};

TEST_F(UdevRule, GivesTheSeatTheMouseNodesAndNothingElse) {
  struct Case {
    const char* what;
    std::vector<SysDevice> chain;
    bool tagged;
  };
  const Case cases[] = {
      {"hidraw, normal mode", UsbChain("hidraw", "4c95", "5837"), true},
      {"hidraw, bootloader", UsbChain("hidraw", "4c95", "5836"), true},
      {"hidraw, another product of the maker", UsbChain("hidraw", "4c95", "5838"), false},
      {"hidraw, another maker's 5837", UsbChain("hidraw", "046d", "5837"), false},
      {"the mouse's input node", UsbChain("input", "4c95", "5837"), false},
      {"the mouse's USB device node", UsbChain("usb", "4c95", "5837"), false},
      {"vendor and product found on different devices",
       {{"hidraw", {}}, {"usb", {{"idVendor", "046d"}, {"idProduct", "5837"}}},
        {"usb", {{"idVendor", "4c95"}, {"idProduct", "0001"}}}},
       false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TagsFor(rules_, c.chain).count("uaccess") == 1, c.tagged) << c.what;
  }
}

TEST_F(UdevRule, MatchesIdsAsSysfsWritesThem) {
  // sysfs prints idVendor and idProduct as four lower-case hex digits; a
  // pattern in capitals would never match.
  for (const Rule& rule : rules_) {
    for (const Key& key : rule) {
      if (key.name == "ATTRS" && (key.attr == "idVendor" || key.attr == "idProduct")) {
        EXPECT_TRUE(ValueMatches("[0-9a-f][0-9a-f][0-9a-f][0-9a-f]", key.value)) << key.value;
      }
    }
  }
}

TEST_F(UdevRule, NeverOpensTheNodeToEveryUser) {
  for (const Rule& rule : rules_) {
    for (const Key& key : rule) {
      EXPECT_NE(key.name, "MODE") << "access goes through uaccess, not a mode";
      EXPECT_NE(key.name, "GROUP");
      EXPECT_NE(key.name, "OWNER");
      EXPECT_NE(key.name, "RUN") << "the rule runs no program";
    }
  }
}

TEST(UdevRuleFile, SortsBeforeTheSeatRulesThatReadTheUaccessTag) {
  // 73-seat-late.rules turns the uaccess tag into an ACL; later rules are
  // too late for it.
  const std::string path = TR58K_UDEV_RULE;
  const std::string name = path.substr(path.rfind('/') + 1);
  ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(name[0])) &&
              std::isdigit(static_cast<unsigned char>(name[1])) && name[2] == '-')
      << name;
  EXPECT_LT(std::stoi(name.substr(0, 2)), 73) << name;
  EXPECT_EQ(name.substr(name.size() - 6), ".rules") << name;
}

TEST(UdevRuleReader, RejectsBrokenSyntaxAndJoinsContinuedLines) {
  std::string error;
  EXPECT_FALSE(ParseRule(R"(SUBSYSTEM=="hidraw", TAG+=uaccess)", error));
  EXPECT_FALSE(ParseRule(R"(ATTRS{idVendor=="4c95")", error));
  EXPECT_FALSE(ParseRule(R"(SUBSYSTEM~"hidraw")", error));
  const auto rule = ParseRule(R"(SUBSYSTEM=="hid|hidraw", ATTRS{idVendor}!="4c95", TAG+="x")", error);
  ASSERT_TRUE(rule) << error;
  ASSERT_EQ(rule->size(), 3u);
  EXPECT_EQ((*rule)[1].attr, "idVendor");
  EXPECT_EQ((*rule)[1].op, "!=");
  EXPECT_TRUE(ValueMatches((*rule)[0].value, "hidraw"));
  EXPECT_FALSE(ValueMatches((*rule)[0].value, "input"));

  const std::string path = ::testing::TempDir() + "continued.rules";
  std::ofstream(path) << "# comment\nSUBSYSTEM==\"hidraw\", \\\n  TAG+=\"uaccess\"\n";
  std::vector<std::string> errors;
  const auto rules = ReadRules(path, errors);
  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(rules.size(), 1u);
  EXPECT_EQ(rules[0].size(), 2u);
}

}  // namespace
