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

// A package that wixl builds from `export OBJECT --format wix --for wixl` (the folders,
// components and files, no ODBC element), with a stand-in for every file the fragment names;
// `object` is the object and its settings. wixl drops Permanent="yes"; export --into gives the
// components kept on uninstall their permanent bit.
std::string BuildPackage(const TempDir& dir, std::vector<std::string> object,
                         const std::string& arch = "x86") {
  object.insert(object.begin(), "export");
  object.insert(object.end(), {"--format", "wix", "--for", "wixl", "--arch", arch, "--out",
                               dir.File("pkg"), "--force"});
  const auto r = RunProcess(Lumora(), object);
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  const std::regex source("Source=\"([^\"]+)\"");
  const std::string fragment = ReadFile(dir.File("pkg/lumora-odbc.wxs"));
  EXPECT_EQ(fragment.find("<ODBC"), std::string::npos);
  for (std::sregex_iterator m(fragment.begin(), fragment.end(), source), end; m != end; ++m) {
    dir.Write("pkg/" + (*m)[1].str(), "MZ");
  }
  dir.Write("pkg/product.wxs", ReadFile("tests/data/export/product.wxs"));
  testing::Shell("cd '" + dir.File("pkg") + "' && rm -f odbc.msi && wixl -a " + arch +
                 " -o odbc.msi product.wxs lumora-odbc.wxs");
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

// The .idt files and the WiX fragment are the expected ones (the fragment well-formed: each
// stored driver, translator and data source with its file, setup file, component and every
// attribute as a Property); the tables go into a package that wixl builds from the fragment's
// components and files, every table reads back as written, and --into then finds every file and
// component it names there (ExportInto proves it refuses a package that lacks one).
TEST(ExportRoundTrip, MsiTablesAndWixFragmentImportAndReadBackEqual) {
  SKIP_WITHOUT("msibuild", "msiinfo", "wixl", "xmllint");
  Exported msi, wix;
  ASSERT_NO_FATAL_FAILURE(Export(msi, "msi"));
  ASSERT_NO_FATAL_FAILURE(Export(wix, "wix"));
  const std::string package = BuildPackage(
      msi.dir, {"tests/data/export/every-kind.json", "--with-translators", "--component-dir",
                testing::BinDir(), "--host-config", msi.dir.File("host.ini")});
  RunTool({"sh", "-c",
           "cd '" + msi.out + "' && msibuild '" + package + "' -i _ForceCodepage.idt " +
               "ODBCDriver.idt ODBCTranslator.idt ODBCAttribute.idt ODBCDataSource.idt " +
               "ODBCSourceAttribute.idt"});
  EXPECT_EQ(ReadFile(msi.out + "/_ForceCodepage.idt"), ReadFile(kExpected + "_ForceCodepage.idt"));
  // lumora-odbc.sql as expected; tests/wine runs it with msibuild as docs/packages.md says.
  EXPECT_EQ(ReadFile(msi.out + "/lumora-odbc.sql"), ReadFile(kExpected + "lumora-odbc.sql"));
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
  const std::string fragment = wix.out + "/lumora-odbc.wxs";
  EXPECT_EQ(RunTool({"xmllint", "--noout", fragment}), "");
  EXPECT_EQ(ReadFile(fragment), ReadFile(kExpected + "lumora-odbc.wxs"));
}

// The templates install with the commands docs/formats.md gives, as printed, into a fresh
// ODBCSYSINI (no odbc.ini yet) and ODBCINI; odbcinst's queries then list the exported drivers and
// data sources, system and user apart, each with its attributes
// (tests/data/export/every-kind-odbcinst.txt).
TEST(ExportRoundTrip, OdbcinstInstallsTheTemplatesWithTheDocumentedCommands) {
  SKIP_WITHOUT("odbcinst");
  Exported run;
  ASSERT_NO_FATAL_FAILURE(Export(run, "odbcinst"));
  std::string commands, block;
  bool inBlock = false;
  for (const std::string& line : Lines(ReadFile("docs/formats.md"))) {
    if (inBlock && line == "```" && block.starts_with("odbcinst -i -d -f odbcinst.ini\n"))
      commands = block;
    inBlock = line == "```sh" || (inBlock && line != "```");
    block = line == "```sh" ? "" : inBlock ? block + line + "\n" : block;
  }
  ASSERT_FALSE(commands.empty()) << "docs/formats.md gives no install commands";
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
    const std::string package = BuildPackage(dir, with({original}));
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

// A package of one data source: `description` and `registration` in its ODBCDataSource row, an
// ODBCSourceAttribute row `attribute`=x.
std::string PackageOfOneSource(const TempDir& dir, const std::string& name,
                               const std::string& description, const std::string& registration,
                               const std::string& attribute = "Server") {
  dir.Write(name + "/ODBCDataSource.idt",
            "DataSource\tComponent_\tDescription\tDriverDescription\tRegistration\r\n"
            "s72\ts72\ts255\ts255\ti2\r\nODBCDataSource\tDataSource\r\n"
            "S\tC\t" +
                description + "\tD\t" + registration + "\r\n");
  dir.Write(name + "/ODBCSourceAttribute.idt",
            "DataSource_\tAttribute\tValue\r\ns72\ts72\tS255\r\n"
            "ODBCSourceAttribute\tDataSource_\tAttribute\r\nS\t" +
                attribute + "\tx\r\n");
  testing::Shell("cd '" + dir.File(name) +
                 "' && msibuild odbc.msi -i ODBCDataSource.idt ODBCSourceAttribute.idt");
  return name + "/odbc.msi";
}

// A WiX source of one data source whose Property Value is `value` as written in XML.
std::string WixOfOneSource(const TempDir& dir, const std::string& name, const std::string& value,
                           const std::string& registration = "user") {
  dir.Write(name,
            "<?xml version=\"1.0\"?>\n<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">"
            "<Fragment><Component Id=\"C\">\n<ODBCDataSource Id=\"S\" Name=\"S\" "
            "Registration=\"" +
                registration + "\"><Property Id=\"Server\" Value=\"" + value +
                "\"/></ODBCDataSource></Component></Fragment></Wix>\n");
  return name;
}

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
// read from a file: the scripted cases import-*; here the ones made by the test). What export
// refuses, import refuses too: the same check runs before anything is stored. Hostile XML
// (100,000 nested elements, a billion laughs, a quadratic blow-up) is refused at once, where it
// starts: the run is bounded by timeout(1) so that a hang fails rather than stalls the suite.
TEST(Import, RefusesWhatTheStoredListsCannotTake) {
  SKIP_WITHOUT("msibuild");
  TempDir dir;
  std::string many = "[ODBC Data Sources]\n";
  for (int i = 0; i < 32768; ++i) many += "[S" + std::to_string(i) + "]\nServer=x\n";
  dir.Write("many.ini", many);
  dir.Write("ODBCDriver.idt",
            "Driver\tDescription\tFile_\r\ns72\ts255\ts72\r\nODBCDriver\tDriver\r\nD\tD\tf\r\n");
  testing::Shell("cd '" + dir.path() + "' && msibuild odbc.msi -i ODBCDriver.idt");

  const std::string wix = "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">";
  std::string deep = "<?xml version=\"1.0\"?>\n" + wix;
  for (int i = 0; i < 100000; ++i) deep += "<Fragment>";
  for (int i = 0; i < 100000; ++i) deep += "</Fragment>";
  dir.Write("deep.wxs", deep + "</Wix>\n");
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE Wix [\n <!ENTITY l0 \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    laughs += " <!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">\n";
  }
  dir.Write("laughs.wxs", laughs + "]>\n" + wix + "<Fragment Id=\"&l9;\"/></Wix>\n");
  std::string quadratic = "<?xml version=\"1.0\"?>\n<!DOCTYPE Wix [<!ENTITY a \"" +
                          std::string(50000, 'a') + "\">]>\n" + wix + "<Fragment Id=\"";
  for (int i = 0; i < 50000; ++i) quadratic += "&a;";
  dir.Write("quadratic.wxs", quadratic + "\"/></Wix>\n");

  const std::string object = ObjectText({{"Kept", "Driver=/k.so"}}, {});
  const struct {
    std::string from;
    const char* flag;
    const char* said;
  } cases[] = {
      {"many.ini", "--user", "would be the 32,768th data source"},
      {"odbc.msi", "", "odbc.msi: table ODBCDriver has no column File_Setup"},
      {"deep.wxs", "", "deep.wxs:2: refused: elements nested more than 128 deep"},
      {"laughs.wxs", "", "laughs.wxs:2: refused: a DOCTYPE"},
      {"quadratic.wxs", "", "quadratic.wxs:2: refused: a DOCTYPE"},
      // What every export format refuses, by the check export runs (its cases: CheckCarriable).
      {PackageOfOneSource(dir, "esc", "Sales\x1b[31m", "1"), "",
       "esc/odbc.msi: table ODBCDataSource, row S: data source \"Sales\\x1B[31m\": the name "
       "holds control character U+001B"},
      // (msibuild cannot make a package holding a C1 control or a noncharacter; XML carries them.)
      {WixOfOneSource(dir, "c1.wxs", "a&#x85;"), "", "holds control character U+0085"},
      {WixOfOneSource(dir, "nonchar.wxs", "a&#xFDD0;"), "",
       "nonchar.wxs:3: ODBCDataSource: data source \"S\": the line \"Server=a\xef\xb7\x90\" holds "
       "Unicode noncharacter U+FDD0"},
      {WixOfOneSource(dir, "tab.wxs", "a&#9;b"), "",
       "tab.wxs:3: ODBCDataSource: data source \"S\": the line \"Server=a\\x09b\" holds control "
       "character U+0009"},
      {WixOfOneSource(dir, "cr.wxs", "a&#13;"), "", "holds control character U+000D"},
      // Registrations the installer does not know are not read as a user's.
      {PackageOfOneSource(dir, "seven", "Sales", "7"), "",
       "seven/odbc.msi: table ODBCDataSource, row S: Registration 7 is neither 0 (machine) nor "
       "1 (user)"},
      {PackageOfOneSource(dir, "minus", "Sales", "-1"), "", "row S: Registration -1 is neither"},
      {WixOfOneSource(dir, "system.wxs", "a", "system"), "",
       "system.wxs:3: ODBCDataSource: Registration=\"system\" is neither machine nor user"},
      // What a connection string would leave out is not stored either.
      {PackageOfOneSource(dir, "manager", "Sales", "0", "DMConnAttr"), "",
       "row S: \"Sales\": the attribute \"DMConnAttr\" names a key the driver manager acts on"},
  };
  for (const auto& c : cases) {
    dir.Write("o.json", object);
    std::vector<std::string> args = {"60",     Lumora(),        "import", dir.File("o.json"),
                                     "--from", dir.File(c.from)};
    if (*c.flag != '\0') args.push_back(c.flag);
    auto r = RunProcess("/usr/bin/timeout", args);
    EXPECT_EQ(r.exitStatus, 2) << c.from << "\n" << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << c.from << "\n" << r.err;
    EXPECT_EQ(ReadFile(dir.File("o.json")), object) << c.from;
  }
}

// export --into refuses before it writes: the package stays byte for byte as it was, and the
// message names the package and why, never its working copy. Conflicting options are refused
// while the command line is parsed.
TEST(ExportInto, RefusalsLeaveThePackageAsItWas) {
  SKIP_WITHOUT("wixl", "msiinfo");
  TempDir dir;
  const std::string object = dir.File("o.json");
  dir.Write("o.json", ObjectText({{"SQL Server", "Driver=<WINSYSDIR>\\sqlsrv32.dll"}}, {}));
  dir.Write("other.json",
            ObjectText({{"Other", "Driver=<WINSYSDIR>\\other.dll\r\nSetup=<WINDIR>\\set.dll"},
                        {"Another", "Driver=<WINSYSDIR>\\other.dll"}},
                       {{"Kept", "DriverName=Other", true, false}}));
  dir.Write("text.msi", "not a package");
  // A package with the driver's component and file, and the same driver with a setup file.
  dir.Write("driver.json", ObjectText({{"Other", "Driver=<WINSYSDIR>\\other.dll"}}, {}));
  dir.Write(
      "setup.json",
      ObjectText({{"Other", "Driver=<WINSYSDIR>\\other.dll\r\nSetup=<WINDIR>\\set.dll"}}, {}));
  testing::Shell("cp '" + BuildPackage(dir, {dir.File("driver.json")}) + "' '" +
                 dir.File("driver.msi") + "'");
  testing::Shell("cp '" + BuildPackage(dir, {object}) + "' '" + dir.File("ro.msi") + "' && cp '" +
                 dir.File("ro.msi") + "' '" + dir.File("unsequenced.msi") + "' && chmod 0444 '" +
                 dir.File("ro.msi") + "' && msibuild '" + dir.File("unsequenced.msi") +
                 "' -q 'DROP TABLE `InstallExecuteSequence`'");
  const std::string package = BuildPackage(dir, {object});
  Lum({"export", object, "--format", "msi", "--into", package});
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"export", object, "--format", "msi", "--into", package},
       "already has the rows ODBCDriver SQL_Server"},
      // Each missing row once, grouped, and the export that makes them.
      {{"export", dir.File("other.json"), "--format", "msi", "--into", package},
       "lacks 2 components (Keep.Kept, Other) and 2 files (other.dll, set.dll) that "
       "the tables name; `lumora export OBJECT --format wix --for wixl`"},
      {{"export", dir.File("setup.json"), "--format", "msi", "--into", dir.File("driver.msi")},
       "driver.msi lacks 1 file (set.dll) that the tables name"},
      {{"export", object, "--format", "msi", "--arch", "x64", "--into", package},
       "odbc.msi is a 32-bit package (Template \"Intel;1033\") and the tables are for x64"},
      {{"export", object, "--format", "msi", "--into", dir.File("text.msi")},
       "text.msi: not an installer package (it does not start as a compound file"},
      {{"export", object, "--format", "msi", "--into", dir.File("ro.msi")},
       "ro.msi is read-only; the package is left as it was"},
      {{"export", object, "--format", "msi", "--into", dir.File("unsequenced.msi")},
       "unsequenced.msi has no InstallExecuteSequence table"},
      {{"export", object, "--format", "msi", "--into", dir.File("none.msi")},
       "none.msi: no installer package"},
      {{"export", object, "--format", "wix", "--into", package}, "goes with --format msi"},
      {{"export", object, "--format", "msi", "--for", "wixl", "--out", dir.File("x")},
       "goes with --format wix"},
      {{"export", object, "--format", "odbcinst", "--arch", "x64", "--out", dir.File("x")},
       "--arch: is for installer packages"},
      {{"export", object, "--format", "msi", "--arch", "arm"}, "--arch: arm not in {x86,x64}"},
  };
  for (const auto& [args, said] : cases) {
    const std::string before = ReadFile(package);
    auto r = RunProcess(Lumora(), args);
    EXPECT_EQ(r.exitStatus, 2) << said;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(".lumora-"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(package) == before) << said;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x"))) << said;
  }
  // --force replaces the rows of the same keys, and only those.
  Lum({"export", object, "--format", "msi", "--into", package, "--force"});
  EXPECT_EQ(Lines(testing::Shell("msiinfo export '" + package + "' ODBCDriver")).size(), 4u);
}

// The installer reads the ODBC tables only through SetODBCFolders, RemoveODBC and InstallODBC:
// --into adds the ones the package lacks at their places and keeps one the author placed. Kept
// data sources' components become permanent; in a 64-bit package every component of the tables
// is a 64-bit one, and the import of such a package gives the same object back.
TEST(ExportInto, AddsTheOdbcActionsAndTheComponentBits) {
  SKIP_WITHOUT("wixl", "msiinfo", "msibuild");
  struct Case {
    const char* arch;
    const char* keep;       // the attributes of Keep.Kept afterwards
    const char* driver;     // of the driver's component
    const char* formatted;  // the Database row of Kept
  };
  for (const Case& c : {Case{"x86", "16", "0", "[SystemFolder]k.db"},
                        Case{"x64", "272", "256", "[System64Folder]k.db"}}) {
    TempDir dir;
    dir.Write("o.json", ObjectText({{"Kept Driver", "Driver=<WINSYSDIR>\\k.dll"}},
                                   {{"Kept", "DriverName=Kept Driver\r\nDatabase=<WINSYSDIR>\\k.db",
                                     true, false}}));
    const std::string object = dir.File("o.json");
    const std::string package = BuildPackage(dir, {object}, c.arch);
    testing::Shell("msibuild '" + package +
                   "' -q \"INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES "
                   "('RemoveODBC', 2399)\"");
    // The other architecture's tables are refused, naming both; so is a 64-bit component in a
    // 32-bit package.
    const bool x64 = std::string(c.arch) == "x64";
    EXPECT_NE(
        Lum({"export", object, "--format", "msi", "--arch", x64 ? "x86" : "x64", "--into", package},
            2)
            .find(x64 ? "is a 64-bit package (Template \"x64;1033\") and the tables are for x86"
                      : "is a 32-bit package (Template \"Intel;1033\") and the tables are for x64"),
        std::string::npos);
    if (x64) {  // a component the package holds as a 32-bit one is made 64-bit
      testing::Shell(
          "msibuild '" + package +
          "' -q \"UPDATE Component SET Attributes = 0 WHERE Component = 'Kept_Driver'\"");
    } else {
      const std::string wide = dir.File("wide.msi");
      testing::Shell(
          "cp '" + package + "' '" + wide + "' && msibuild '" + wide +
          "' -q \"UPDATE Component SET Attributes = 256 WHERE Component = 'Kept_Driver'\"");
      EXPECT_NE(Lum({"export", object, "--format", "msi", "--into", wide}, 2)
                    .find("holds the 64-bit 1 component (Kept_Driver)"),
                std::string::npos);
    }
    const std::string said =
        Lum({"export", object, "--format", "msi", "--arch", c.arch, "--into", package});
    EXPECT_NE(said.find("RemoveODBC kept at 2399, where the package places it"), std::string::npos)
        << said;
    const std::string sequence =
        testing::Shell("msiinfo export '" + package + "' InstallExecuteSequence");
    for (const char* row : {"SetODBCFolders\t\t1100", "RemoveODBC\t\t2399", "InstallODBC\t\t5400"})
      EXPECT_NE(sequence.find(row), std::string::npos) << c.arch << " " << row;
    EXPECT_EQ(sequence.find("RemoveODBC\t\t2400"), std::string::npos);
    const std::string components = testing::Shell("msiinfo export '" + package + "' Component");
    for (const auto& [component, bits] :
         {std::pair{"Keep\\.Kept", c.keep}, {"Kept_Driver", c.driver}})
      EXPECT_TRUE(std::regex_search(components, std::regex(std::string("\n") + component +
                                                           "\t[^\t]*\t[^\t]*\t" + bits + "\t")))
          << c.arch << "\n"
          << components;
    EXPECT_NE(
        testing::Shell("msiinfo export '" + package + "' ODBCSourceAttribute").find(c.formatted),
        std::string::npos);
    // The way back: the same object, and the architecture read.
    dir.Write("copy.json", "{\"properties\": {\"DTDBVerNo\": 1}}\n");
    const std::string imported = Lum({"import", dir.File("copy.json"), "--from", package});
    EXPECT_NE(imported.find(std::string("(") + c.arch + ", Template"), std::string::npos)
        << imported;
    EXPECT_EQ(Shown(dir.File("copy.json"), true), Shown(object, true)) << c.arch;
  }
}

// Two --into of one package at once: each takes the folder lock, so both rows arrive (without
// it one write is lost). A link at the package's name stays a link, the package it points to
// is written, and the working files a killed run left beside it are removed.
TEST(ExportInto, TwoAtOnceLoseNothingAndALinkStaysALink) {
  SKIP_WITHOUT("wixl", "msiinfo");
  TempDir dir;
  dir.Write(
      "both.json",
      ObjectText({{"A", "Driver=<WINSYSDIR>\\a.dll"}, {"B", "Driver=<WINSYSDIR>\\b.dll"}}, {}));
  dir.Write("a.json", ObjectText({{"A", "Driver=<WINSYSDIR>\\a.dll"}}, {}));
  dir.Write("b.json", ObjectText({{"B", "Driver=<WINSYSDIR>\\b.dll"}}, {}));
  const std::string built = BuildPackage(dir, {dir.File("both.json")});
  testing::Shell("mkdir '" + dir.File("real") + "' && cp '" + built + "' '" +
                 dir.File("real/p.msi") + "' && ln -s real/p.msi '" + dir.File("p.msi") +
                 "' && touch '" + dir.File("real/.p.msi.lumora-AbC123") + "' && mkdir '" +
                 dir.File("real/.p.msi.lumora-XyZ789") + "'");
  for (int round = 0; round < 3; ++round) {
    testing::Shell("cp '" + built + "' '" + dir.File("real/p.msi") + "'");
    const std::string both =
        testing::Shell("cd '" + dir.path() + "' && L='" + Lumora() +
                       "'; \"$L\" export a.json --format msi --into p.msi >a.out 2>&1 & "
                       "\"$L\" export b.json --format msi --into p.msi >b.out 2>&1 & "
                       "wait %1; echo $?; wait %2; echo $?");
    EXPECT_EQ(both, "0\n0\n") << ReadFile(dir.File("a.out")) << ReadFile(dir.File("b.out"));
    const std::string drivers =
        testing::Shell("msiinfo export '" + dir.File("real/p.msi") + "' ODBCDriver");
    EXPECT_NE(drivers.find("\nA\t"), std::string::npos) << "round " << round << "\n" << drivers;
    EXPECT_NE(drivers.find("\nB\t"), std::string::npos) << "round " << round << "\n" << drivers;
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("p.msi")));
  EXPECT_EQ(testing::Shell("ls -A '" + dir.File("real") + "'"), "p.msi\n");
}

}  // namespace
}  // namespace lumora
