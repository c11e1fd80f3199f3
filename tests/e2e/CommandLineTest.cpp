// The command line's conventions: every error a "lumora:" line with what is wrong, a near miss
// answered with the word meant, placeholders that say what a value is, and the version.
#include <gtest/gtest.h>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lumora;
using testing::RunProcess;

TEST(CommandLine, SaysWhatIsWrongOnOneLumoraLineAndExitsTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string firstLine;
  };
  const Case cases[] = {
      {{"shwo"}, "lumora: unknown command 'shwo'; did you mean 'show'?"},
      {{"wizrad", "o.json"}, "lumora: unknown command 'wizrad'; did you mean 'wizard'?"},
      {{"frobnicate"}, "lumora: unknown command 'frobnicate'"},
      {{"show", "o.json", "--regsitry", "none"},
       "lumora: unknown option '--regsitry'; did you mean '--registry'?"},
      {{"wizard", "o.json", "--scirpt=x"},
       "lumora: unknown option '--scirpt'; did you mean '--script'?"},
      {{"build", "o.json", "--colour"}, "lumora: unknown option '--colour'"},
      {{},
       "lumora: a command is required: build, show, export, import, check, catalogue, wizard, "
       "register or unregister"},
      {{"show"}, "lumora: OBJECT is required"},
      {{"check", "o.json", "--timeout", "-1"},
       "lumora: --timeout: '-1' is not a whole number of seconds from 1 to 3600"},
      {{"check", "o.json", "--timeout", "abc"},
       "lumora: --timeout: 'abc' is not a whole number of seconds from 1 to 3600"},
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
