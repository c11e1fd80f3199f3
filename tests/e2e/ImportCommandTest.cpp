// lumora import and export --into, proved by round trips through the real tools: an object is
// exported to each format (into a package that wixl builds, for msi), the result imported into a
// new object, and `lumora show` and `lumora build` must say of it what they say of the original.
// Then the refusals: each leaves the object (or the package) byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>

#include "e2e/InstallerPackage.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lines;
using testing::Lumora;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

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
  const std::vector<std::string> host = {"--host-config", dir.File("host.ini")};
  const std::string original = dir.File("original.json");
  dir.Write("original.json", c.object);
  dir.Write("copy.json", "{\"properties\": {\"DTDBVerNo\": 1}}\n");
  auto with = [&host](std::vector<std::string> args) {
    args.insert(args.end(), host.begin(), host.end());
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
      auto sorted = [](std::vector<std::string> lines) {
        std::sort(lines.begin() + std::min<size_t>(3, lines.size()), lines.end());
        return lines;
      };
      EXPECT_EQ(sorted(Lines(testing::Shell("msiinfo export '" + package + "' " + table))),
                sorted(Lines(ReadFile(dir.File("idt/") + table + ".idt"))))
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

// Importing into an object that already stores items: joined (a same-named one replaced in
// place, and named) or, with --replace, replacing the lists. Which entries each leaves, info and
// data sources too, is proved by ImportStore; here the command's flag and report.
TEST(Import, JoinsOrReplacesTheStoredLists) {
  TempDir dir;
  dir.Write("odbcinst.ini", "[B]\nDriver=/b2.so\n\n[C]\nDriver=/c.so\n");
  for (const auto& [flag, drivers, said] :
       {std::tuple{"", R"(["A","B","C"])", "replaced the stored driver \"B\""},
        std::tuple{"--replace", R"(["B","C"])", "now stores 2 and 0"}}) {
    dir.Write("o.json", ObjectText({{"A", "Driver=/a.so"}, {"B", "Driver=/b1.so"}}, {{"S", ""}}));
    std::vector<std::string> args = {"import", dir.File("o.json"), "--from",
                                     dir.File("odbcinst.ini")};
    if (*flag != '\0') args.push_back(flag);
    EXPECT_NE(Lum(args).find(said), std::string::npos);
    const auto stored = nlohmann::json::parse(ReadFile(dir.File("o.json")))["properties"];
    EXPECT_EQ(stored["Drivers"].dump(), drivers) << flag;
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
  struct Case {
    std::vector<std::string> args;
    std::string said;
  };
  for (const Case& c : std::vector<Case>{
           {{object, "--format", "msi", "--into", package},
            "already has the rows ODBCDriver SQL_Server"},
           {{dir.File("other.json"), "--format", "msi", "--into", package},
            "lacks Component Other (named by ODBCDriver Other); File other.dll"},
           {{object, "--format", "wix", "--into", package}, "goes with --format msi"},
           {{object, "--format", "msi", "--into", dir.File("none.msi")},
            "none.msi: no installer package"},
       }) {
    const std::string before = ReadFile(package);
    std::vector<std::string> args = {"export"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = RunProcess(Lumora(), args);
    EXPECT_EQ(r.exitStatus, 2) << c.said;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(package), before) << c.said;
  }
  // --force replaces the rows of the same keys, and only those.
  Lum({"export", object, "--format", "msi", "--into", package, "--force"});
  EXPECT_EQ(Lines(testing::Shell("msiinfo export '" + package + "' ODBCDriver")).size(), 4u);
}

}  // namespace
}  // namespace lumora
