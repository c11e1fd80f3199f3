// Scripted runs, one per folder of tests/e2e/cases (see README.md there): each runs `lumora
// wizard` (or the case's own command) on a copy of its object and compares the exit status, the
// output and the object left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

// The suites run in the source folder.
fs::path CasesFolder() {
  return fs::absolute("tests/e2e/cases");
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(CasesFolder(), error)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The files below `folder` and what they hold, by path.
std::map<std::string, std::string> FilesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    files[entry.path()] = entry.is_regular_file() ? ReadFile(entry.path()) : "";
  }
  return files;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

// Every non-empty line of `expected` must occur in `actual`; in order: each after the one before.
void ExpectLinesIn(const std::string& expected, const std::string& actual, const char* stream,
                   bool inOrder = false) {
  size_t from = 0;
  for (const std::string& line : testing::Lines(expected)) {
    if (line.empty()) continue;
    const size_t at = actual.find(line, from);
    EXPECT_NE(at, std::string::npos)
        << stream << " lacks" << (inOrder ? " (in order): " : ": ") << line << "\n"
        << stream << " was:\n"
        << actual;
    if (inOrder && at != std::string::npos) from = at + line.size();
  }
}

class WizardScriptCase : public ::testing::TestWithParam<std::string> {};

TEST_P(WizardScriptCase, LeavesWhatItMust) {
  const fs::path folder = CasesFolder() / GetParam();
  auto has = [&](const char* name) { return fs::exists(folder / name); };
  auto read = [&](const char* name) { return ReadFile((folder / name).string()); };

  TempDir temp;
  fs::copy(folder, temp.path(), fs::copy_options::recursive);  // links followed
  const std::string component = temp.File("component");
  fs::create_directory(component);
  if (!has("no-catalogue")) {
    fs::copy_file(
        has("lumora.ini") ? folder / "lumora.ini" : fs::path(testing::BinDir()) / "lumora.ini",
        fs::path(component) / "lumora.ini");
  }
  const std::string startObject = has("object.json") ? read("object.json") : "";

  const bool onStdin = has("script-on-stdin");
  std::vector<std::vector<std::string>> runs(
      1);  // `command` may give several, apart by an empty line
  if (has("command")) {
    for (const std::string& line : testing::Lines(read("command"))) {
      if (line.empty()) {
        runs.emplace_back();
      } else {
        runs.back().push_back(Replaced(line, "$CASE", temp.path()));
      }
    }
  } else {
    runs[0] = {"wizard",          temp.File("object.json"),
               "--script",        onStdin ? "-" : temp.File("script"),
               "--component-dir", component,
               "--registry",      has("registry.reg") ? temp.File("registry.reg") : "none"};
  }
  if (has("args")) {
    std::istringstream words(read("args"));
    for (std::string word; words >> word;) runs[0].push_back(Replaced(word, "$CASE", temp.path()));
  }

  testing::ScopedEnv env;
  for (const std::string& line : testing::Lines(has("env") ? read("env") : "")) {
    const size_t eq = line.find('=');
    env.Set(line.substr(0, eq), Replaced(line.substr(eq + 1), "$CASE", temp.path()).c_str());
  }
  ASSERT_TRUE(has("exit")) << "the case needs an exit file";
  for (const std::vector<std::string>& args : runs) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const auto before = FilesBelow(temp.path());
    const auto result = RunProcess(testing::Lumora(), args, onStdin ? read("script") : "");
    const std::string out = Replaced(result.out, temp.path(), "$CASE");
    const std::string err = Replaced(result.err, temp.path(), "$CASE");

    EXPECT_EQ(result.exitStatus, std::stoi(read("exit"))) << err;
    if (result.exitStatus == 1 || result.exitStatus == 2) {
      EXPECT_EQ(FilesBelow(temp.path()), before) << "a cancelled or refused run changes no file";
    }
    if (has("stdout")) {
      EXPECT_EQ(out, read("stdout"));
    }
    if (has("stdout.contains")) ExpectLinesIn(read("stdout.contains"), out, "stdout");
    if (has("stdout.ordered")) ExpectLinesIn(read("stdout.ordered"), out, "stdout", true);
    if (has("stderr.contains")) ExpectLinesIn(read("stderr.contains"), err, "stderr");
    if (has("stderr")) {
      EXPECT_EQ(err, read("stderr"));
    }
  }

  const std::string endObject = ReadFile(temp.File("object.json"));
  if (has("build.contains")) {
    // The host's build-time answers for the object the run left.
    auto build =
        RunProcess(testing::Lumora(), {"build", temp.File("object.json"), "--registry", "none"});
    EXPECT_EQ(build.exitStatus, 0) << build.err;
    ExpectLinesIn(read("build.contains"), build.out, "lumora build");
  }
  // Each file below expected/ is what the run must leave at that path below $CASE.
  std::error_code error;  // most cases have no expected/
  for (const auto& entry : fs::recursive_directory_iterator(folder / "expected", error)) {
    const fs::path name =
        entry.path().lexically_relative(folder / "expected");  // a link by its own path
    if (entry.is_regular_file()) {
      EXPECT_EQ(ReadFile(temp.File(name)), ReadFile(entry.path())) << name;
    }
  }
  if (has("object.expected.json")) {
    EXPECT_EQ(nlohmann::ordered_json::parse(endObject),
              nlohmann::ordered_json::parse(read("object.expected.json")))
        << endObject;
  } else if (has("object.json")) {
    EXPECT_EQ(endObject, startObject) << "the object must be left byte for byte as it was";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, WizardScriptCase, ::testing::ValuesIn(CaseNames()),
                         [](const auto& param) {
                           std::string name = param.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// A script may come from any stream a shell hands over: a process substitution or a named pipe
// is read to its end like a file; a folder given as standard input is refused by name (given
// as the script file: the case wizard-refuses-a-folder-as-the-script).
TEST(WizardCommand, PlaysAScriptFromAPipeAndRefusesAFolderOnStandardInput) {
  TempDir temp;
  temp.Write("o.json", "{\"properties\": {}}\n");
  fs::create_directory(temp.File("folder"));
  const std::string lumora =
      "'" + fs::absolute(testing::Lumora()).string() + "' wizard o.json --registry none --script ";
  struct Case {
    std::string command;
    int exit;
    std::string out, err;
  };
  const Case cases[] = {
      {lumora + "<(printf 'dump\\nclose\\n')", 1, "{\"caption\":\"Lumora - Step 1\"", ""},
      {"rm -f p && mkfifo p && { printf '\\xEF\\xBB\\xBFdump\\n' > p & } && " + lumora + "p", 1,
       "{\"caption\":\"Lumora - Step 1\"", ""},
      {lumora + "- < folder", 2, "", "lumora: <stdin>: script: is a directory\n"},
  };
  for (const Case& c : cases) {
    const auto r = RunProcess("/bin/bash", {"-c", "cd '" + temp.path() + "' && " + c.command});
    EXPECT_EQ(r.exitStatus, c.exit) << c.command << "\n" << r.err;
    EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << c.command << "\n" << r.out;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.err) << c.command;
    EXPECT_EQ(ReadFile(temp.File("o.json")), "{\"properties\": {}}\n");
  }
}

// The window's and the terminal's libraries are loaded only to show the wizard: a broken one
// stops such a run with its reason and leaves the object as it was, and `lumora build` never
// notices it.
TEST(FrontEndLibrary, OneThatCannotBeLoadedStopsOnlyTheRunThatShowsTheWizard) {
  const struct {
    const char* file;
    std::vector<std::string> ui;
    std::string says;
  } cases[] = {
      {"libBVLumoraQt.so", {}, "cannot load the wizard window's library: "},
      {"libBVLumoraTerm.so", {"--ui", "terminal"}, "cannot load the wizard's terminal library: "}};
  const testing::ScopedEnv platform("QT_QPA_PLATFORM", "xcb");  // a display is taken as there
  for (const auto& c : cases) {
    TempDir temp;
    for (const char* file : {"lumora", "libBVLumora.so", "lumora.ini"}) {
      std::filesystem::copy(testing::BinDir() + "/" + file, temp.File(file));
    }
    temp.Write(c.file, "not a library");
    temp.Write("o.json", "{\"properties\": {}}\n");
    EXPECT_EQ(RunProcess(temp.File("lumora"), {"build", temp.File("o.json"), "ODBC"}).exitStatus,
              0);
    std::vector<std::string> args = {"wizard", temp.File("o.json"), "--registry",
                                     "none",   "--component-dir",   temp.path()};
    args.insert(args.end(), c.ui.begin(), c.ui.end());
    const auto r = RunProcess(temp.File("lumora"), args);
    EXPECT_EQ(r.exitStatus, 2) << r.err;
    EXPECT_NE(r.err.find(c.says + temp.File(c.file)), std::string::npos) << r.err;
    EXPECT_EQ(testing::ReadFile(temp.File("o.json")), "{\"properties\": {}}\n");
  }
}

}  // namespace
}  // namespace lumora
