// The command line's conventions: every error a "lumora:" line with what is wrong, a near miss
// answered with the word meant, placeholders that say what a value is, and the version.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lumora;
using testing::RunProcess;

const std::string kSources =
    " (--registry takes unixodbc, wine, none, a registry export FILE.reg or a Wine prefix DIR, "
    "and there is no file or folder ";

TEST(CommandLine, SaysWhatIsWrongOnOneLumoraLineAndExitsTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string firstLine;
  };
  const Case cases[] = {
      {{"shwo"}, "lumora: unknown command 'shwo'; did you mean 'show'?"},
      // The words given are quoted escaped, in our messages and the parser's.
      {{"frob\x1b[2J"}, "lumora: unknown command 'frob\\x1B[2J'"},
      {{"show", "o.json", "--regsitry", "none"},
       "lumora: unknown option '--regsitry'; did you mean '--registry'?"},
      {{"wizard", "o.json", "--scirpt=x"},
       "lumora: unknown option '--scirpt'; did you mean '--script'?"},
      {{"build", "o.json", "--col\x1b]0;t\x07"}, "lumora: unknown option '--col\\x1B]0;t\\x07'"},
      {{"show", "o.json", "extra\x1b[2J"},
       "lumora: the following argument was not expected: extra\\x1B[2J"},
      {{},
       "lumora: a command is required: build, show, export, import, check, catalogue, wizard, "
       "register or unregister"},
      {{"show"}, "lumora: OBJECT is required"},
      {{"check", "o.json", "--timeout", "-1"},
       "lumora: --timeout: '-1' is not a whole number of seconds from 1 to 3600"},
      {{"check", "o.json", "--timeout", "abc"},
       "lumora: --timeout: 'abc' is not a whole number of seconds from 1 to 3600"},
      // A registry source is a word, case and all, or a file or folder that is there.
      {{"show", "o.json", "--registry", "Wine"},
       "lumora: unknown registry source 'Wine'; did you mean 'wine'?" + kSources + "'Wine')"},
      {{"export", "o.json", "--format", "msi", "--registry", "unixdobc"},
       "lumora: unknown registry source 'unixdobc'; did you mean 'unixodbc'?" + kSources +
           "'unixdobc')"},
      {{"build", "o.json", "--registry", "bogus"},
       "lumora: unknown registry source 'bogus'" + kSources + "'bogus')"},
      {{"Show", "o.json"}, "lumora: unknown command 'Show'; did you mean 'show'?"},
  };
  for (const Case& c : cases) {
    const auto r = RunProcess(Lumora(), c.args);
    EXPECT_EQ(r.exitStatus, 2) << c.firstLine;
    EXPECT_EQ(r.out, "") << c.firstLine;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.firstLine);
    EXPECT_NE(r.err.find("--help' for more information."), std::string::npos) << r.err;
  }
}

TEST(CommandLine, HelpNamesWhatAValueIsAndBuildOffersNoSettingItNeverUses) {
  struct Case {
    std::string command;
    std::vector<std::string> shown, hidden;
  };
  const Case cases[] = {
      {"wizard",
       {"OBJECT FILE", "--script FILE", "--component-dir DIR", "--host-config FILE"},
       {" TEXT "}},
      {"show", {"OBJECT FILE", "--registry SOURCE"}, {" TEXT "}},
      {"build",
       {"OBJECT FILE", "FEATURE PATH"},
       {" TEXT ", "--component-dir DIR", "--registry SOURCE"}},
      {"register", {"LIBRARY FILE"}, {" TEXT ", "--registry"}},
      {"", {"Run 'lumora COMMAND --help'"}, {}},
      {"check",
       {"DSN NAME", "--timeout SECONDS", "--drivers", "Exit status: 0"},
       {" TEXT", " INT"}},
      {"catalogue", {"--from SOURCE", "--out DIR"}, {" TEXT"}},
  };
  for (const Case& c : cases) {
    const auto r =
        RunProcess(Lumora(), c.command.empty() ? std::vector<std::string>{"--help"}
                                               : std::vector<std::string>{c.command, "--help"});
    ASSERT_EQ(r.exitStatus, 0) << c.command;
    for (const std::string& text : c.shown) EXPECT_NE(r.out.find(text), std::string::npos) << text;
    for (const std::string& text : c.hidden) EXPECT_EQ(r.out.find(text), std::string::npos) << text;
  }
}

// The commands a help text lists (the words opening the lines after "Subcommands:") and the
// options it offers (every -x and --word of a line that opens with one).
std::set<std::string> CommandsOffered(const std::string& help) {
  std::set<std::string> commands;
  std::istringstream lines(help.substr(help.find("\nSubcommands:\n") + 1));
  std::string line;
  std::getline(lines, line);
  std::smatch m;
  while (std::getline(lines, line) && std::regex_search(line, m, std::regex("^  ([a-z]+) "))) {
    commands.insert(m[1]);
  }
  return commands;
}
std::set<std::string> OptionsOffered(const std::string& help) {
  std::set<std::string> options;
  const std::regex option("(^|[ ,])(--?[A-Za-z][A-Za-z0-9-]*)");
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) != 0) continue;
    const std::string names = line.substr(0, line.find("  ", 2));
    for (std::sregex_iterator it(names.begin(), names.end(), option), end; it != end; ++it) {
      options.insert((*it)[2]);
    }
  }
  return options;
}

TEST(CommandLine, TheManPageCoversEveryCommandAndOptionTheHelpOffers) {
  const std::string man =
      std::regex_replace(testing::ReadFile("data/lumora.1.in"), std::regex(R"(\\-)"), "-");
  const auto top = RunProcess(Lumora(), {"--help"});
  const std::set<std::string> commands = CommandsOffered(top.out);
  ASSERT_GE(commands.size(), 6u) << top.out;
  std::set<std::string> options = OptionsOffered(top.out);
  for (const std::string& command : commands) {
    EXPECT_NE(man.find("\n.B lumora " + command + "\n"), std::string::npos)
        << "the synopsis lacks " << command;
    EXPECT_TRUE(
        std::regex_search(man, std::regex("\\n\\.TP\\n\\.B[IR]* \"?" + command + "[ \"\\n]")))
        << "no entry of its own for " << command;
    const auto help = RunProcess(Lumora(), {command, "--help"});
    ASSERT_EQ(help.exitStatus, 0) << command;
    options.merge(OptionsOffered(help.out));
  }
  EXPECT_GE(options.size(), 12u);
  for (const std::string& option : options) {
    EXPECT_TRUE(std::regex_search(man, std::regex("(^|[^-A-Za-z])" + option + "($|[^-A-Za-z])")))
        << "the man page lacks " << option;
  }
}

TEST(CommandLine, VersionNamesTheBuildAndItsCopyright) {
  for (const char* flag : {"--version", "-V"}) {
    const auto r = RunProcess(Lumora(), {flag});
    EXPECT_EQ(r.exitStatus, 0) << flag;
    EXPECT_EQ(r.out.rfind("lumora " LUMORA_TEST_VERSION "\nCopyright (c) ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("The Lumora developers"), std::string::npos) << r.out;
  }
}

}  // namespace
}  // namespace lumora
