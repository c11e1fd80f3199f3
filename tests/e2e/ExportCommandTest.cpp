// lumora export checked by the tools that consume its output: msibuild and msiinfo (msitools)
// with wixl, xmllint, and odbcinst. Each test skips, saying which tool is missing, when one is.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "e2e/InstallerPackage.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lines;
using testing::Lumora;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

struct Exported {
  TempDir dir;
  std::string out;
};

// Exports tests/data/export/every-kind.json in `format` with the catalogue's translators; drive
// C: is the folder drive_c of the run. The object holds every kind of item: a stored catalogue
// driver, 3.5 and 4.0 desktop drivers sharing one file, an added driver with non-ASCII names in
// other folders, an attribute line without a value and a blank line; system and user data
// sources, one whose driver is not exported; unselected items that must stay out.
void Export(Exported& run, const std::string& format) {
  run.dir.Write("host.ini", "[Drives]\nC=" + run.dir.File("drive_c") + "\n");
  run.out = run.dir.File("out");
  auto r = RunProcess(Lumora(), {"export", "tests/data/export/every-kind.json", "--format", format,
                                 "--out", run.out, "--with-translators", "--component-dir",
                                 testing::BinDir(), "--host-config", run.dir.File("host.ini")});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
}

// A table as msiinfo exports it or as written: the three heading lines, then the rows sorted.
std::vector<std::string> TableLines(const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  std::sort(lines.begin() + std::min<size_t>(3, lines.size()), lines.end());
  return lines;
}

// Runs a tool found on the PATH; its standard output.
std::string RunTool(const std::vector<std::string>& words) {
  auto r = RunProcess("/usr/bin/env", words);
  EXPECT_EQ(r.exitStatus, 0) << words.front() << "\n" << r.err;
  return r.out;
}

// What the object with every kind of item exports to: tests/data/export/every-kind/.
const std::string kExpected = "tests/data/export/every-kind/";

// The .idt files are the expected ones; they go into a package that wixl builds from the
// fragment's components and files, every table reads back as written, and --into then finds
// every file and component it names there (ExportInto proves it refuses a package that lacks one).
TEST(ExportRoundTrip, MsiTablesImportAndReadBackEqual) {
  SKIP_WITHOUT("msibuild", "msiinfo", "wixl");
  Exported msi, wix;
  ASSERT_NO_FATAL_FAILURE(Export(msi, "msi"));
  ASSERT_NO_FATAL_FAILURE(Export(wix, "wix"));
  const std::string package = testing::BuildPackage(msi.dir, wix.out + "/lumora-odbc.wxs");
  RunTool({"sh", "-c",
           "cd '" + msi.out + "' && msibuild '" + package + "' -i _ForceCodepage.idt " +
               "ODBCDriver.idt ODBCTranslator.idt ODBCAttribute.idt ODBCDataSource.idt " +
               "ODBCSourceAttribute.idt"});
  EXPECT_EQ(ReadFile(msi.out + "/_ForceCodepage.idt"), ReadFile(kExpected + "_ForceCodepage.idt"));
  for (const std::string table :
       {"ODBCDriver", "ODBCTranslator", "ODBCAttribute", "ODBCDataSource", "ODBCSourceAttribute"}) {
    const std::string written = ReadFile(msi.out + "/" + table + ".idt");
    EXPECT_EQ(written, ReadFile(kExpected + table + ".idt")) << table;
    EXPECT_EQ(TableLines(RunTool({"msiinfo", "export", package, table})), TableLines(written))
        << table;
  }
  auto into = RunProcess(
      Lumora(), {"export", "tests/data/export/every-kind.json", "--format", "msi", "--into",
                 package, "--force", "--with-translators", "--component-dir", testing::BinDir()});
  EXPECT_EQ(into.exitStatus, 0) << into.err;
}

// The fragment is well-formed and the expected one: each stored driver, translator and data
// source with its file, setup file, component and every attribute as a Property.
TEST(ExportRoundTrip, WixFragmentIsWellFormedAndCarriesEveryChoice) {
  SKIP_WITHOUT("xmllint");
  Exported wix;
  ASSERT_NO_FATAL_FAILURE(Export(wix, "wix"));
  const std::string file = wix.out + "/lumora-odbc.wxs";
  auto check = RunProcess("/usr/bin/xmllint", {"--noout", file});
  EXPECT_EQ(check.exitStatus, 0) << check.err;
  EXPECT_EQ(ReadFile(file), ReadFile(kExpected + "lumora-odbc.wxs"));
}

// The templates install with the commands the README gives, as printed, into a fresh ODBCSYSINI
// (no odbc.ini yet) and ODBCINI; odbcinst's queries then list the exported drivers and data
// sources, system and user apart, each with its attributes
// (tests/data/export/every-kind-odbcinst.txt).
TEST(ExportRoundTrip, OdbcinstInstallsTheTemplatesWithTheReadmeCommands) {
  SKIP_WITHOUT("odbcinst");
  Exported run;
  ASSERT_NO_FATAL_FAILURE(Export(run, "odbcinst"));
  std::string commands, block;
  bool inBlock = false;
  for (const std::string& line : Lines(ReadFile("README.md"))) {
    if (inBlock && line == "```" && block.starts_with("odbcinst -i -d -f odbcinst.ini\n"))
      commands = block;
    inBlock = line == "```sh" || (inBlock && line != "```");
    block = line == "```sh" ? "" : inBlock ? block + line + "\n" : block;
  }
  ASSERT_FALSE(commands.empty()) << "the README gives no install commands";
  run.dir.Write("sys/.keep", "");
  const std::string env = "export ODBCSYSINI='" + run.dir.File("sys") + "' ODBCINI='" +
                          run.dir.File("home/odbc.ini") + "'; mkdir -p '" + run.dir.File("home") +
                          "'; ";
  testing::Shell(env + "cd '" + run.out + "' && set -e\n" + commands);
  // Each query and what it prints, blank lines and its own complaints left out.
  std::vector<std::pair<std::string, std::string>> queries;
  for (const std::string& line : Lines(ReadFile("tests/data/export/every-kind-odbcinst.txt"))) {
    if (line.starts_with("$ ")) {
      queries.push_back({line.substr(2), ""});
    } else if (!line.starts_with("#") && !queries.empty()) {
      const size_t c = line.find("$C/");
      queries.back().second +=
          c == std::string::npos
              ? line + "\n"
              : line.substr(0, c) + run.dir.File("drive_c") + line.substr(c + 2) + "\n";
    }
  }
  ASSERT_EQ(queries.size(), 10u);
  for (const auto& [args, expected] : queries) {
    std::string out;
    for (const std::string& line : Lines(testing::Shell(env + "odbcinst " + args + " 2>&1"))) {
      if (!line.empty() && !line.starts_with("odbcinst: ")) out += line + "\n";
    }
    EXPECT_EQ(out, expected) << args;
  }
}

// What a format cannot carry is refused with the item named: exit 2, nothing written. Each case
// of tests/data/export/refusals.json: the format, the one driver and the one data source (a name
// and its lines; "" for none), and part of the message.
TEST(ExportCommand, RefusesWhatTheFormatCannotCarryAndWritesNothing) {
  for (const auto& c : nlohmann::json::parse(ReadFile("tests/data/export/refusals.json"))) {
    const std::string what = c["what"], message = c["message"];
    TempDir dir;
    const nlohmann::json driver = c["driver"], source = c["source"];
    dir.Write("o.json", nlohmann::json{{"properties",
                                        {{"Drivers", {driver[0]}},
                                         {"DriversInfo", {driver[1]}},
                                         {"DriversSelections", {true}},
                                         {"DataSources", {source[0]}},
                                         {"DataSourcesInfo", {source[1]}},
                                         {"DataSourcesTypes", {"user"}},
                                         {"DataSourcesSelections", {true}},
                                         {"DataSourcesUninstFlags", {false}}}}}
                            .dump());
    auto r = RunProcess(Lumora(), {"export", dir.File("o.json"), "--format", c["format"], "--out",
                                   dir.File("out"), "--registry", "none"});
    EXPECT_EQ(r.exitStatus, 2) << what;
    EXPECT_NE(r.err.find(message), std::string::npos) << what << "\n" << r.err;
    EXPECT_NE(r.err.find(dir.File("o.json")), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out"))) << what;
  }
}

// The output folder ends up with the old files or every new one, never a mix, and nothing
// beside them: no lock file, no temporary file. A link at an output name is replaced by the new
// file; the file it leads to stays as it was.
TEST(ExportCommand, ReplacesOnlyWhatItNamesAllOrNothing) {
  struct Case {
    const char* what;
    std::string prepare;  // shell commands run in the test's folder, which holds out/
    bool force;
    int exit;
    const char* message;
    bool replaced;  // the three files are the new ones (else each still holds "old")
  };
  const std::string old =
      "mkdir out; for f in odbcinst.ini odbc-user.ini odbc-system.ini; do echo old > "
      "out/$f; done; echo theirs > elsewhere; ";
  const Case cases[] = {
      {"a name taken, no --force", old, false, 2, "already holds odbcinst.ini, odbc-user.ini",
       false},
      {"forced over old files", old, true, 0, "", true},
      {"a symbolic link in a group-writable folder",
       old + "chmod 0775 out; rm out/odbc-user.ini; ln -s ../elsewhere out/odbc-user.ini", true, 0,
       "", true},
      {"a hard link", old + "rm out/odbc-user.ini; ln elsewhere out/odbc-user.ini", true, 0, "",
       true},
      {"one output read-only", old + "chmod 0444 out/odbc-system.ini", true, 2,
       "already holds odbc-system.ini (read-only); nothing written", false},
      {"a folder at a name", old + "rm out/odbcinst.ini; mkdir out/odbcinst.ini", true, 2,
       "odbcinst.ini (a folder)", false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    testing::Shell("cd '" + dir.path() + "' && " + c.prepare);
    std::vector<std::string> args = {"export", "examples/object.json", "--format",   "odbcinst",
                                     "--out",  dir.File("out"),        "--registry", "none"};
    if (c.force) args.push_back("--force");
    const auto r = RunProcess(Lumora(), args);
    EXPECT_EQ(r.exitStatus, c.exit) << c.what << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << "\n" << r.err;
    EXPECT_EQ(ReadFile(dir.File("elsewhere")), "theirs\n") << c.what;
    const std::string listing = testing::Shell("ls -A '" + dir.File("out") + "'");
    EXPECT_EQ(listing, "odbc-system.ini\nodbc-user.ini\nodbcinst.ini\n") << c.what;
    for (const char* name : {"odbcinst.ini", "odbc-user.ini", "odbc-system.ini"}) {
      const std::string path = dir.File(std::string("out/") + name);
      if (std::filesystem::is_directory(path)) continue;
      EXPECT_FALSE(std::filesystem::is_symlink(path)) << c.what << " " << name;
      EXPECT_EQ(ReadFile(path) == "old\n", !c.replaced) << c.what << " " << name;
    }
  }
}

}  // namespace
}  // namespace lumora
