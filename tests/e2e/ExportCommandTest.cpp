// lumora export checked by the tools that consume its output: msibuild and msiinfo (msitools)
// with wixl, xmllint, and odbcinst. Each test skips, saying which tool is missing, when one is.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

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

// The cells of a table row; a row ending in an empty cell still has `count` cells.
std::vector<std::string> Cells(const std::string& line, size_t count = 0) {
  std::vector<std::string> cells;
  std::istringstream row(line);
  for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
  if (cells.size() < count) cells.resize(count);
  return cells;
}

// Runs a tool found on the PATH; its standard output.
std::string RunTool(const std::vector<std::string>& words) {
  auto r = RunProcess("/usr/bin/env", words);
  EXPECT_EQ(r.exitStatus, 0) << words.front() << "\n" << r.err;
  return r.out;
}

// The rows expected of each table for the object with every kind of item.
const std::map<std::string, std::vector<std::string>> kEveryKindRows = {
    {"ODBCDriver",
     {"SQL_Server\tSQL_Server\tSQL Server\tsqlsrv32.dll\tsqlsrv32.dll",
      "Microsoft_Excel_Driver___.xls_\tMicrosoft_Excel_Driver___.xls_\tMicrosoft Excel Driver "
      "(*.xls)\todbcjt32.dll\todexl32.dll",
      "Microsoft_Paradox_Driver___.db__\tMicrosoft_Excel_Driver___.xls_\tMicrosoft Paradox "
      "Driver (*.db )\todbcjt32.dll\todbcji32.dll",
      "Pilote__rzte\tPilote__rzte\tPilote Ärzte\t_rzte.dll\t_rztesetup.dll"}},
    {"ODBCTranslator",
     {"Code_Page_Translator\tCode_Page_Translator\tCode Page Translator\tmscpxl32.dll\t"
      "mscpxl32.dll"}},
    {"ODBCAttribute",
     {"SQL_Server\tAPILevel\t2", "SQL_Server\tFileUsage\t0",
      "Microsoft_Excel_Driver___.xls_\tFileExtns\t*.xls",
      "Microsoft_Paradox_Driver___.db__\tFileUsage\t1", "Pilote__rzte\tDescription\t",
      "Pilote__rzte\tVendor\tAcme [\\[]EU[\\]]"}},
    {"ODBCDataSource",
     {"Bestellungen_K_ln\tKeep.Bestellungen_K_ln\tBestellungen Köln\tMicrosoft Paradox "
      "Driver (*.db )\t0",
      "Sales\tSQL_Server\tSales\tSQL Server\t1",
      "Lager\tODBCDataSources\tLager\tMicrosoft ODBC for Oracle\t1"}},
    {"ODBCSourceAttribute",
     {"Bestellungen_K_ln\tDBQ\tC:\\data\\köln.mdb",
      "Bestellungen_K_ln\tDriver\t[SystemFolder]odbcjt32.dll", "Sales\tDescription\t",
      "Sales\tServer\tdb1", "Lager\tServer\tora"}},
};

// The .idt files go into a package that wixl builds from the fragment's components and files;
// every table reads back as written, and --into then finds every file and component it names
// there (ExportInto proves it refuses a package that lacks one).
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
  for (const char* table :
       {"ODBCDriver", "ODBCTranslator", "ODBCAttribute", "ODBCDataSource", "ODBCSourceAttribute"}) {
    const std::vector<std::string> back =
        TableLines(RunTool({"msiinfo", "export", package, table}));
    EXPECT_EQ(back, TableLines(ReadFile(msi.out + "/" + table + ".idt"))) << table;
    std::vector<std::string> expected = kEveryKindRows.at(table);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(std::vector<std::string>(back.begin() + 3, back.end()), expected) << table;
  }
  auto into = RunProcess(
      Lumora(), {"export", "tests/data/export/every-kind.json", "--format", "msi", "--into",
                 package, "--force", "--with-translators", "--component-dir", testing::BinDir()});
  EXPECT_EQ(into.exitStatus, 0) << into.err;
}

std::string XPath(const std::string& file, const std::string& expression) {
  auto r = RunProcess("/usr/bin/xmllint", {"--xpath", expression, file});
  if (r.exitStatus != 0) return "";
  if (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
  return r.out;
}

// The fragment is well-formed, and each stored driver, translator and data source is there with
// its file, setup file, component and every attribute as a Property.
TEST(ExportRoundTrip, WixFragmentIsWellFormedAndCarriesEveryChoice) {
  SKIP_WITHOUT("xmllint");
  Exported wix;
  ASSERT_NO_FATAL_FAILURE(Export(wix, "wix"));
  const std::string file = wix.out + "/lumora-odbc.wxs";
  auto check = RunProcess("/usr/bin/xmllint", {"--noout", file});
  ASSERT_EQ(check.exitStatus, 0) << check.err;

  // The items of the tables above: Id|File|SetupFile|Component of a driver or translator,
  // Id|DriverName|Registration|Component of a data source, and each attribute as a Property.
  for (const char* element : {"ODBCDriver", "ODBCTranslator", "ODBCDataSource"}) {
    const std::vector<std::string>& rows = kEveryKindRows.at(element);
    EXPECT_EQ(XPath(file, "count(//*[local-name()='" + std::string(element) + "'])"),
              std::to_string(rows.size()))
        << element;
    const bool source = std::string(element) == "ODBCDataSource";
    for (const std::string& row : rows) {
      const std::vector<std::string> c = Cells(row);
      const std::string at =
          "//*[local-name()='" + std::string(element) + "'][@Name='" + c[2] + "']";
      const std::string fields = source ? "concat(" + at + "/@Id,'|'," + at + "/@DriverName,'|'," +
                                              at + "/@Registration,'|'," + at + "/../@Id)"
                                        : "concat(" + at + "/@Id,'|'," + at + "/../@Id,'|'," + at +
                                              "/@SetupFile,'|'," + at + "/../../@Id)";
      const std::string third = source ? (c[4] == "0" ? "machine" : "user") : c[4];
      EXPECT_EQ(XPath(file, fields), c[0] + "|" + c[3] + "|" + third + "|" + c[1]) << row;
      size_t properties = 0;
      for (const std::string& line :
           kEveryKindRows.at(source ? "ODBCSourceAttribute" : "ODBCAttribute")) {
        const std::vector<std::string> a = Cells(line, 3);
        if (a[0] != c[0]) continue;
        ++properties;
        const std::string property = at + "/*[local-name()='Property'][@Id='" + a[1] + "']";
        EXPECT_EQ(XPath(file, "count(" + property + ")"), "1") << line;
        EXPECT_EQ(XPath(file, "string(" + property + "/@Value)"), a[2]) << line;
      }
      EXPECT_EQ(XPath(file, "count(" + at + "/*)"), std::to_string(properties)) << row;
      const std::string permanent =
          XPath(file, "string(" + at + "/ancestor::*[local-name()='Component']/@Permanent)");
      EXPECT_EQ(permanent, c[1].starts_with("Keep.") ? "yes" : "") << row;
    }
  }
}

// The templates install with the commands the README gives, as printed, into a fresh ODBCSYSINI
// (no odbc.ini yet) and ODBCINI; odbcinst's queries then list the exported drivers and data
// sources, system and user apart, each with its attributes.
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
  // What odbcinst prints, blank lines and its own complaints left out.
  auto odbcinst = [&](const std::string& args) {
    std::string out;
    for (const std::string& line : Lines(testing::Shell(env + "odbcinst " + args + " 2>&1"))) {
      if (!line.empty() && !line.starts_with("odbcinst: ")) out += line + "\n";
    }
    return out;
  };
  const std::string c = run.dir.File("drive_c");
  struct Item {
    const char* name;
    std::vector<std::string> lines;
  };
  const std::vector<Item> drivers = {
      {"SQL Server",
       {"Driver=" + c + "/Windows/System32/sqlsrv32.dll",
        "Setup=" + c + "/Windows/System32/sqlsrv32.dll", "APILevel=2", "FileUsage=0"}},
      {"Microsoft Excel Driver (*.xls)",
       {"Driver=" + c + "/Windows/System32/odbcjt32.dll",
        "Setup=" + c + "/Windows/System32/odexl32.dll", "FileExtns=*.xls"}},
      {"Microsoft Paradox Driver (*.db )",
       {"Driver=" + c + "/Windows/System32/odbcjt32.dll",
        "Setup=" + c + "/Windows/System32/odbcji32.dll", "FileUsage=1"}},
      {"Pilote Ärzte",
       {"Driver=" + c + "/Program Files/Acme/ärzte.dll",
        "Setup=" + c + "/Program Files/Common Files/System/ärztesetup.dll",
        "Description=", "Vendor=Acme [EU]"}}};
  const std::vector<Item> system = {
      {"Bestellungen Köln", {"Driver=Microsoft Paradox Driver (*.db )", "DBQ=C:\\data\\köln.mdb"}}};
  const std::vector<Item> user = {{"Sales", {"Driver=SQL Server", "Description=", "Server=db1"}},
                                  {"Lager", {"Driver=Microsoft ODBC for Oracle", "Server=ora"}}};
  for (const auto& [items, query] :
       {std::pair{&drivers, "-d"}, std::pair{&system, "-s -l"}, std::pair{&user, "-s -h"}}) {
    std::string names;
    for (const Item& item : *items) {
      names += "[" + std::string(item.name) + "]\n";
      std::string expected = "[" + std::string(item.name) + "]\n";
      for (const std::string& line : item.lines) expected += line + "\n";
      if (std::string(query) == "-d") expected += "UsageCount=1\n";
      EXPECT_EQ(odbcinst("-q " + std::string(query).substr(0, 2) + " -n '" + item.name + "'"),
                expected);
    }
    EXPECT_EQ(odbcinst("-q " + std::string(query)), names) << query;
  }
}

// What a format cannot carry is refused with the item named: exit 2, nothing written.
TEST(ExportCommand, RefusesWhatTheFormatCannotCarryAndWritesNothing) {
  // The format, the one driver and its attributes, the one data source and its attributes (each
  // in JSON), and the message.
  const std::string longValue(998, 'a');  // "X=" and 998 bytes: one byte past unixODBC's line
  const std::array<std::string, 6> cases[] = {
      {"msi", "\"SQL Server\"", "\"Driver=a.dll\\r\\nVendor=a\\tb\"", "\"\"", "\"\"",
       "driver \"SQL Server\": the line \"Vendor=a\\x09b\" holds control character U+0009"},
      {"odbcinst", "\"\"", "\"\"", "\"PostgreSQL\\u0000 (old)\"", "\"DriverName=PostgreSQL\"",
       "data source \"PostgreSQL\\x00 (old)\": the name holds control character U+0000"},
      {"odbcinst", "\"\"", "\"\"", "\"Sales [EU]\"", "\"DriverName=SQL Server\"",
       "data source \"Sales [EU]\": an ini section name cannot hold"},
      {"odbcinst", "\"\"", "\"\"", "\"odbc data sources\"", "\"DriverName=SQL Server\"",
       "data source \"odbc data sources\": [ODBC Data Sources] is a section unixODBC reserves"},
      {"odbcinst", "\"DEFAULT\"", "\"Driver=a.so\"", "\"\"", "\"\"",
       "driver \"DEFAULT\": [Default] is a section unixODBC reserves"},
      {"odbcinst", "\"A\"", "\"Driver=a.so\\r\\nX=" + longValue + "\"", "\"\"", "\"\"",
       "of odbcinst.ini is 1000 bytes long; unixODBC reads lines of at most 999 bytes"},
      {"wix", "\"\"", "\"\"", "\"B\\uD83F\\uDFFE\"", "\"DriverName=SQL Server\"",
       "holds a Unicode noncharacter (U+1FFFE), which an XML document cannot carry"},
      {"wix", "\"Added\"", "\"APILevel=1\"", "\"\"", "\"\"",
       "driver \"Added\" has no Driver= line"},
      {"msi", "\"\"", "\"\"", "\"Sales\"", "\"Server=db1\"",
       "data source \"Sales\" names no driver"},
      {"odbcinst", "\"A\"", "\"Driver=a.so\\r\\n=x\"", "\"\"", "\"\"",
       "driver \"A\", attribute line 2 \"=x\": the line has no name"},
  };
  for (const auto& [format, driver, info, source, sourceInfo, message] : cases) {
    TempDir dir;
    dir.Write("o.json", "{\"properties\": {\"Drivers\": [" + driver + "], \"DriversInfo\": [" +
                            info + "], \"DriversSelections\": [true], \"DataSources\": [" + source +
                            "], \"DataSourcesInfo\": [" + sourceInfo +
                            "], \"DataSourcesTypes\": [\"user\"], \"DataSourcesSelections\": "
                            "[true], \"DataSourcesUninstFlags\": [false]}}");
    auto r = RunProcess(Lumora(), {"export", dir.File("o.json"), "--format", format, "--out",
                                   dir.File("out"), "--registry", "none"});
    EXPECT_EQ(r.exitStatus, 2) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir.File("o.json")), std::string::npos) << r.err;
    EXPECT_EQ(RunProcess("/bin/ls", {dir.File("out")}).exitStatus, 2) << "out was made";
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
