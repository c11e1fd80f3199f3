// The command line's conventions: a man page that covers every command and option the help
// offers, and the version. The help texts are the scripted cases help-* (whole: placeholders that
// say what a value is, and build offering no setting it never uses); the errors (a "lumora:" line
// with what is wrong, a near miss answered with the word meant, exit 2) are the cases usage-*.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lumora;
using testing::RunProcess;

// The commands a help text lists (the words opening the lines after "Subcommands:") and the
// options it offers (every -x and --word of a line that opens with one).
std::set<std::string> CommandsOffered(const std::string& help) {
  std::set<std::string> commands;
  const auto lines = testing::Lines(help.substr(help.find("\nSubcommands:\n") + 1));
  std::smatch m;
  for (size_t i = 1; i < lines.size() && std::regex_search(lines[i], m, std::regex("^  ([a-z]+) "));
       ++i) {
    commands.insert(m[1]);
  }
  return commands;
}
std::set<std::string> OptionsOffered(const std::string& help) {
  std::set<std::string> options;
  const std::regex option("(^|[ ,])(--?[A-Za-z][A-Za-z0-9-]*)");
  for (const std::string& line : testing::Lines(help)) {
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
