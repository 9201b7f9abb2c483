// The README and the command's own help describe the same commands and options: every command
// `quervik --help` lists has its place in the README, every option a command's help names is
// in the README's section for it, and every option the README's examples give a command is
// one the command's help knows.
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "test_support.h"

namespace quervik::test {
namespace {

struct Documented {
  const char* command;
  std::vector<std::string> sections;  // the README's "## " headings that describe it
};

const Documented kDocumented[] = {
    {"dkontrol", {"The DRG check"}},
    {"kkontrol", {"VZP batch check"}},
    {"drg", {"VZP to DRG conversion"}},
    {"sign", {"Protected files", "A card from empty to a signed file"}},
    {"open", {"Protected files", "A card from empty to a signed file"}},
    {"dn", {"Protected files", "A card from empty to a signed file"}},
    {"check-key", {"Protected files"}},
    {"desrc", {"Birth numbers", "A card from empty to a signed file"}},
    {"recover", {"Birth numbers"}},
    {"card", {"The card", "Card administration", "A card from empty to a signed file"}},
    {"version", {"The command line"}},
    {"message", {"The command line"}},
};

// "-x" and "--long-name" as they stand in a text (not "-1", not the dash inside a word).
std::set<std::string> optionsIn(const std::string& text) {
  static const std::regex option(R"((?:^|[\s\[\(|,`/])(--?[A-Za-z][A-Za-z0-9-]*))");
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) found.insert((*it)[1]);
  return found;
}

// The README's sections by heading.
std::map<std::string, std::string> readmeSections() {
  std::istringstream in(readFile(std::string(QUERVIK_SOURCE_DIR) + "/README.md"));
  std::map<std::string, std::string> sections;
  std::string line, heading;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0)
      heading = line.substr(3);
    else
      sections[heading] += line + "\n";
  }
  return sections;
}

// The example lines of a section that run the command, continuation lines joined.
std::vector<std::string> examplesOf(const std::string& section, const std::string& command) {
  std::istringstream in(section);
  std::vector<std::string> examples;
  std::string line;
  bool continued = false;
  while (std::getline(in, line)) {
    if (continued)
      examples.back() += " " + line;
    else if (line.rfind("    quervik " + command + " ", 0) == 0 || line == "    quervik " + command)
      examples.push_back(line);
    else
      continue;
    continued = !line.empty() && line.back() == '\\';
  }
  return examples;
}

using ReadmeAndHelp = WithCli<RuntimeTest>;

// Every command the help lists is one of those above (each of which has README examples).
TEST_F(ReadmeAndHelp, CommandsAndOptionsAgree) {
  ToolResult help = runQuervik("--help");
  ASSERT_EQ(help.status, 0);
  std::istringstream in(help.output);
  std::string line;
  std::set<std::string> listed, documented;
  for (const Documented& d : kDocumented) documented.insert(d.command);
  bool inCommands = false;
  while (std::getline(in, line)) {
    if (line == "Commands:") inCommands = true;
    else if (line.empty()) inCommands = false;
    else if (inCommands) listed.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  EXPECT_EQ(listed, documented);
  std::map<std::string, std::string> sections = readmeSections();
  for (const Documented& d : kDocumented) {
    ToolResult help = runQuervik(std::string(d.command) + " --help");
    ASSERT_EQ(help.status, 0) << d.command;
    std::set<std::string> known = optionsIn(help.output);
    known.erase("--help");
    // "-s, --slot": the README may use either name.
    std::map<std::string, std::string> alias;
    static const std::regex pair(R"((-[A-Za-z]), (--[A-Za-z][A-Za-z0-9-]*))");
    for (std::sregex_iterator it(help.output.begin(), help.output.end(), pair), end; it != end; ++it) {
      alias[(*it)[1]] = (*it)[2];
      alias[(*it)[2]] = (*it)[1];
    }
    std::string text;
    for (const std::string& heading : d.sections) {
      ASSERT_TRUE(sections.count(heading)) << heading;
      text += sections[heading];
    }
    std::set<std::string> described = optionsIn(text);
    for (const std::string& option : known) {
      EXPECT_TRUE(described.count(option) || (alias.count(option) && described.count(alias[option])))
          << "quervik " << d.command << " " << option << " is not in the README";
    }
    std::vector<std::string> examples = examplesOf(text, d.command);
    EXPECT_FALSE(examples.empty()) << "no example of quervik " << d.command;
    for (const std::string& example : examples) {
      for (const std::string& option : optionsIn(example))
        EXPECT_TRUE(known.count(option)) << "the README gives quervik " << d.command << " " << option;
    }
  }
}

}  // namespace
}  // namespace quervik::test
