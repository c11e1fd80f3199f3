// lumora export and import checked by the tools that consume and make their files: msibuild and
// msiinfo (msitools) with wixl, xmllint, and odbcinst; each test skips, saying which tool is
// missing, when one is. Then round trips: an object is exported to each format (into a package
// that wixl builds, for msi), the result imported into a new object, and `lumora show` and
// `lumora build` must say of it what they say of the original. Every refusal leaves the object
// (or the package) byte for byte as it was. (What a format cannot carry, refused naming the item:
// the cases export-refuses-*; importing into an object that stores items, joined or replacing
// them: import-joins-the-stored-lists, import-replaces-the-stored-lists.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::Lines;
using testing::Lumora;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

// A package that wixl builds from the fragment's components and files, its ODBC elements left
// out (wixl takes none), holding every file the fragment names. wixl drops Permanent="yes";
// export --into gives the components kept on uninstall their permanent bit.
std::string BuildPackage(const TempDir& dir, const std::string& fragment) {
  std::string files;
  const std::regex source("Source=\"([^\"]+)\"");
  for (const std::string& line : Lines(ReadFile(fragment))) {
    if (line.find("<ODBC") != std::string::npos || line.find("</ODBC") != std::string::npos ||
        line.find("<Property ") != std::string::npos) {
      continue;
    }
    files += line + "\n";
    std::smatch m;
    if (std::regex_search(line, m, source)) dir.Write("pkg/" + m[1].str(), "MZ");
  }
  dir.Write("pkg/files.wxs", files);
  dir.Write("pkg/product.wxs", ReadFile("tests/data/export/product.wxs"));
  testing::Shell("cd '" + dir.File("pkg") + "' && wixl -o odbc.msi product.wxs files.wxs");
  return dir.File("pkg/odbc.msi");
}

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
  const std::string package = BuildPackage(msi.dir, wix.out + "/lumora-odbc.wxs");
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

struct Driver {
  std::string name, info;
};
struct Source {
  std::string name, info;
  bool system = false, uninstall = true;
};

std::string ObjectText(const std::vector<Driver>& drivers, const std::vector<Source>& sources) {
  nlohmann::ordered_json p = {{"DTDBVerNo", 1}};
  for (const Driver& d : drivers) {
    p["Drivers"].push_back(d.name);
    p["DriversInfo"].push_back(d.info);
    p["DriversSelections"].push_back(true);
  }
  for (const Source& s : sources) {
    p["DataSources"].push_back(s.name);
    p["DataSourcesInfo"].push_back(s.info);
    p["DataSourcesTypes"].push_back(s.system ? "system" : "user");
    p["DataSourcesSelections"].push_back(true);
    p["DataSourcesUninstFlags"].push_back(s.uninstall);
  }
  return nlohmann::ordered_json{{"properties", p}}.dump() + "\n";
}

// Every kind of item (tests/data/import/every-kind.json): drivers in each host folder (a
// subfolder, the DAO folder, the system folder under the common files), non-ASCII names and
// values, brackets, an empty value; user and system data sources, one whose driver is not
// exported; the same kept on uninstall (stored false, exported as a permanent component or a
// noted section). A data source names its driver first. One driver and no data source, stored as
// Finish writes a list with nothing selected (tests/data/import/one-driver.json).
struct RoundTripCase {
  const char* name;
  std::string object;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) {
  *out << c.name;
}

std::vector<RoundTripCase> RoundTripCases() {
  std::vector<Driver> drivers;
  std::vector<Source> sources;
  for (int i = 0; i < 5000; ++i) {
    const std::string n = std::to_string(i);
    const std::string file = "<WINSYSDIR>\\drv" + std::to_string(i % 7) + ".dll";
    drivers.push_back({"Treiber " + n, "Driver=" + file + "\r\nSetup=" + file});
    sources.push_back({"Quelle ü " + n,
                       "DriverName=Treiber " + std::to_string(i % 50) + "\r\nServer=s" + n,
                       i % 3 == 0, true});
  }
  return {{"every_kind", ReadFile("tests/data/import/every-kind.json")},
          {"every_kind_kept_on_uninstall", ReadFile("tests/data/import/every-kind-kept.json")},
          {"one_driver", ReadFile("tests/data/import/one-driver.json")},
          {"five_thousand_each", ObjectText(drivers, sources)}};
}

std::string Lum(const std::vector<std::string>& args, int status = 0) {
  auto r = RunProcess(Lumora(), args);
  EXPECT_EQ(r.exitStatus, status) << args[0] << " " << args[1] << "\n" << r.err;
  return r.out + r.err;
}

// What show says, without its first line (the object's path), each list's items in name order
// (a package, a fragment and the templates each keep their own order); with `sortAttributes`,
// each item's attribute lines sorted too (a package keeps its attribute rows in its own order).
std::string Shown(const std::string& object, bool sortAttributes) {
  const std::vector<std::string> lines = Lines(Lum({"show", object}));
  std::string text;
  std::vector<std::vector<std::string>> items;  // the item lines and attribute lines of a list
  auto endList = [&] {
    for (auto& item : items) {
      if (sortAttributes) std::sort(item.begin() + 1, item.end());
    }
    std::sort(items.begin(), items.end());
    for (const auto& item : items) {
      for (const std::string& line : item) text += line + "\n";
    }
    items.clear();
  };
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].starts_with("        ") && !items.empty()) {
      items.back().push_back(lines[i]);
    } else if (lines[i].starts_with("  [")) {
      items.push_back({lines[i]});
    } else {
      endList();
      text += lines[i] + "\n";
    }
  }
  endList();
  return text;
}

class ImportRoundTrip : public ::testing::TestWithParam<std::tuple<RoundTripCase, std::string>> {};

TEST_P(ImportRoundTrip, ShowAndBuildSayTheSame) {
  SKIP_WITHOUT("wixl", "msiinfo", "msibuild");
  const auto& [c, format] = GetParam();
  TempDir dir;
  dir.Write("host.ini", "[Drives]\nC=" + dir.File("drive_c") + "\n");
  const std::string original = dir.File("original.json");
  dir.Write("original.json", c.object);
  dir.Write("copy.json", "{\"properties\": {\"DTDBVerNo\": 1}}\n");
  auto with = [&dir](std::vector<std::string> args) {
    args.insert(args.end(), {"--host-config", dir.File("host.ini")});
    return args;
  };

  std::string from;
  if (format == "msi") {
    Lum(with({"export", original, "--format", "wix", "--out", dir.File("wix")}));
    const std::string package = BuildPackage(dir, dir.File("wix/lumora-odbc.wxs"));
    Lum(with({"export", original, "--format", "msi", "--into", package}));
    // What the package holds is what the .idt export says, row for row.
    Lum(with({"export", original, "--format", "msi", "--out", dir.File("idt")}));
    for (const char* table :
         {"ODBCDriver", "ODBCAttribute", "ODBCDataSource", "ODBCSourceAttribute"}) {
      EXPECT_EQ(TableLines(testing::Shell("msiinfo export '" + package + "' " + table)),
                TableLines(ReadFile(dir.File("idt/") + table + ".idt")))
          << table;
    }
    from = package;
  } else {
    Lum(with({"export", original, "--format", format, "--out", dir.File("out")}));
    from = format == "wix" ? dir.File("out/lumora-odbc.wxs") : dir.File("out");
  }
  Lum(with({"import", dir.File("copy.json"), "--from", from}));
  EXPECT_EQ(Shown(dir.File("copy.json"), format == "msi"), Shown(original, format == "msi"));
  EXPECT_EQ(Lum({"build", dir.File("copy.json")}), Lum({"build", original}));
}

INSTANTIATE_TEST_SUITE_P(EachFormat, ImportRoundTrip,
                         ::testing::Combine(::testing::ValuesIn(RoundTripCases()),
                                            ::testing::Values("msi", "wix", "odbcinst")),
                         [](const auto& p) {
                           return std::string(std::get<0>(p.param).name) + "_" +
                                  std::get<1>(p.param);
                         });

// The drivers as the driver manager resolves them, from odbcinst: each name `odbcinst -q -d`
// lists, the first of names repeated in another ASCII case, with the first of each key `-n`
// prints (UsageCount, its own count, aside): "NAME|key=value|...;" per driver.
std::string OdbcinstDrivers() {
  auto odbcinst = [](const std::string& args) {
    std::vector<std::string> lines;  // what it prints of the file; its refusals aside
    for (const std::string& line : Lines(RunProcess("/bin/sh", {"-c", "odbcinst " + args}).out)) {
      if (line.starts_with('[') || line.find('=') != std::string::npos) lines.push_back(line);
    }
    return lines;
  };
  auto upper = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  std::string text;
  std::set<std::string> names;
  for (const std::string& line : odbcinst("-q -d")) {
    const std::string name = line.substr(1, line.size() - 2);
    if (!names.insert(upper(name)).second) continue;
    std::set<std::string> keys = {"USAGECOUNT"};
    text += name;
    for (const std::string& entry : odbcinst("-q -d -n '" + name + "'")) {
      if (!entry.starts_with('[') && keys.insert(upper(entry.substr(0, entry.find('=')))).second)
        text += "|" + entry;
    }
    text += ";";
  }
  return text;
}

// Every layout of unixODBC files that holds an odbcinst.ini, read by `catalogue --from unixodbc`
// (the reading `check --drivers` shares) and by `import --from`, against odbcinst on the very
// same file; a file unixODBC ignores is named on standard error by both. The data-source files
// of the layouts are discovery's (UnixOdbcDiscovery); import's rows for them are
// ImportOdbcinst.ReadsSectionsAsUnixOdbcDoes.
TEST(UnixOdbcFiles, CatalogueAndImportReadWhatOdbcinstReads) {
  SKIP_WITHOUT("odbcinst");
  for (const auto& entry : std::filesystem::directory_iterator("tests/data/unixodbc/layouts")) {
    const std::string layout = entry.path().string();
    SCOPED_TRACE(layout);
    TempDir dir;
    testing::ScopedEnv env("ODBCSYSINI", dir.path().c_str());
    env.Set("ODBCINI", dir.File("user.ini").c_str());
    // What import stored of the object it made: "{}" when it refused.
    auto stored = [&](const testing::ProcessResult& r, const std::string& object) {
      return nlohmann::json::parse(r.exitStatus == 0 ? ReadFile(object) : "{\"properties\": {}}")
          .at("properties");
    };
    if (!std::filesystem::exists(layout + "/odbcinst.ini")) continue;
    dir.Write("odbcinst.ini", ReadFile(layout + "/odbcinst.ini"));
    const std::string expected = OdbcinstDrivers();

    auto r = RunProcess(Lumora(), {"catalogue", "--from", "unixodbc", "--only-source", "--out",
                                   dir.File("component")});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.err.find("unixODBC ignores this file") != std::string::npos, expected.empty())
        << r.err;
    std::string catalogued;  // ";Drivers|Driver0=...;NAME|key=value...", then without [Drivers]
    for (const std::string& line : Lines(ReadFile(dir.File("component/lumora.ini")))) {
      if (line.starts_with('[')) catalogued += ";" + line.substr(1, line.size() - 2);
      if (!line.empty() && line.find('=') != std::string::npos) catalogued += "|" + line;
    }
    const size_t list = catalogued.find(';', 1);
    catalogued = list == std::string::npos ? "" : catalogued.substr(list + 1) + ";";
    EXPECT_EQ(catalogued, expected);

    r = RunProcess(Lumora(), {"import", dir.File("d.json"), "--from", dir.File("odbcinst.ini")});
    EXPECT_EQ(r.exitStatus, expected.empty() ? 2 : 0) << r.err;
    EXPECT_EQ(r.err.find("unixODBC ignores this file") != std::string::npos, expected.empty())
        << r.err;
    std::string imported;
    const auto drivers = stored(r, dir.File("d.json"));
    for (size_t i = 0; i < drivers.value("Drivers", std::vector<std::string>()).size(); ++i) {
      std::string lines = drivers["DriversInfo"][i];
      for (size_t at; (at = lines.find("\r\n")) != std::string::npos;) lines.replace(at, 2, "|");
      imported += drivers["Drivers"][i].get<std::string>() + "|" + lines + ";";
    }
    EXPECT_EQ(imported, expected);
  }
}

// Each refusal names the source and where in it; exit 2, the object left as it was (a source
// read from a file: the scripted cases import-*; here the ones made by the test).
TEST(Import, RefusesWhatTheStoredListsCannotTake) {
  SKIP_WITHOUT("msibuild");
  TempDir dir;
  std::string many = "[ODBC Data Sources]\n";
  for (int i = 0; i < 32768; ++i) many += "[S" + std::to_string(i) + "]\nServer=x\n";
  dir.Write("many.ini", many);
  dir.Write("ODBCDriver.idt",
            "Driver\tDescription\tFile_\r\ns72\ts255\ts72\r\nODBCDriver\tDriver\r\nD\tD\tf\r\n");
  testing::Shell("cd '" + dir.path() + "' && msibuild odbc.msi -i ODBCDriver.idt");
  const std::string object = ObjectText({{"Kept", "Driver=/k.so"}}, {});
  for (const auto& [from, flag, said] :
       {std::tuple{"many.ini", "--user", "would be the 32,768th data source"},
        std::tuple{"odbc.msi", "", "odbc.msi: table ODBCDriver has no column File_Setup"}}) {
    dir.Write("o.json", object);
    std::vector<std::string> args = {"import", dir.File("o.json"), "--from", dir.File(from)};
    if (*flag != '\0') args.push_back(flag);
    auto r = RunProcess(Lumora(), args);
    EXPECT_EQ(r.exitStatus, 2) << from << "\n" << r.err;
    EXPECT_NE(r.err.find(said), std::string::npos) << from << "\n" << r.err;
    EXPECT_EQ(ReadFile(dir.File("o.json")), object) << from;
  }
}

// export --into refuses before it writes: the package stays byte for byte as it was.
TEST(ExportInto, RefusalsLeaveThePackageAsItWas) {
  SKIP_WITHOUT("wixl", "msiinfo");
  TempDir dir;
  const std::string object = dir.File("o.json");
  dir.Write("o.json", ObjectText({{"SQL Server", "Driver=<WINSYSDIR>\\sqlsrv32.dll"}}, {}));
  dir.Write(
      "other.json",
      ObjectText({{"Other", "Driver=<WINSYSDIR>\\other.dll\r\nSetup=<WINDIR>\\set.dll"}}, {}));
  Lum({"export", object, "--format", "wix", "--out", dir.File("wix")});
  const std::string package = BuildPackage(dir, dir.File("wix/lumora-odbc.wxs"));
  Lum({"export", object, "--format", "msi", "--into", package});
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"export", object, "--format", "msi", "--into", package},
       "already has the rows ODBCDriver SQL_Server"},
      {{"export", dir.File("other.json"), "--format", "msi", "--into", package},
       "lacks Component Other (named by ODBCDriver Other); File other.dll"},
      {{"export", object, "--format", "wix", "--into", package}, "goes with --format msi"},
      {{"export", object, "--format", "msi", "--into", dir.File("none.msi")},
       "none.msi: no installer package"},
  };
  for (const auto& [args, said] : cases) {
    const std::string before = ReadFile(package);
    auto r = RunProcess(Lumora(), args);
    EXPECT_EQ(r.exitStatus, 2) << said;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(package), before) << said;
  }
  // --force replaces the rows of the same keys, and only those.
  Lum({"export", object, "--format", "msi", "--into", package, "--force"});
  EXPECT_EQ(Lines(testing::Shell("msiinfo export '" + package + "' ODBCDriver")).size(), 4u);
}

}  // namespace
}  // namespace lumora
