// What lumora check finds for the Windows target without a connection: one row per finding, on
// the stored choices alone (warnings: the exit status changes only with --strict) and against an
// installer package made with msibuild (errors), and the package checked alone.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lines;
using testing::RunProcess;
using testing::TempDir;

// The heading lines of each table the package is made of.
const std::map<std::string, std::string> kHeadings = {
    {"Directory",
     "Directory\tDirectory_Parent\tDefaultDir\r\ns72\tS72\tl255\r\nDirectory\t"
     "Directory"},
    {"Component", "Component\tDirectory_\tAttributes\r\ns72\ts72\ti2\r\nComponent\tComponent"},
    {"File", "File\tComponent_\tFileName\r\ns72\ts72\tl255\r\nFile\tFile"},
    {"ODBCDriver",
     "Driver\tComponent_\tDescription\tFile_\tFile_Setup\r\ns72\ts72\ts255\ts72\t"
     "S72\r\nODBCDriver\tDriver"},
    {"ODBCDataSource",
     "DataSource\tComponent_\tDescription\tDriverDescription\tRegistration\r\n"
     "s72\ts72\ts255\ts255\ti2\r\nODBCDataSource\tDataSource"},
    {"ODBCSourceAttribute",
     "DataSource_\tAttribute\tValue\r\ns72\ts72\tS255\r\n"
     "ODBCSourceAttribute\tDataSource_\tAttribute"},
    {"InstallExecuteSequence",
     "Action\tCondition\tSequence\r\ns72\tS255\tI2\r\n"
     "InstallExecuteSequence\tAction"},
};

using Tables = std::map<std::string, std::vector<std::string>>;

// A package that registers the driver "Shop Driver" (drv.dll in the system folder) and the data
// source "Shop" on it, with the three ODBC actions: nothing to find in it.
Tables Sound() {
  return {{"Directory", {"TARGETDIR\t\tSourceDir", "SystemFolder\tTARGETDIR\t."}},
          {"Component", {"CDrv\tSystemFolder\t0"}},
          {"File", {"drv.dll\tCDrv\tdrv.dll"}},
          {"ODBCDriver", {"Shop_Driver\tCDrv\tShop Driver\tdrv.dll\t"}},
          {"ODBCDataSource", {"Shop\tCDrv\tShop\tShop Driver\t1"}},
          {"ODBCSourceAttribute", {"Shop\tServer\tdb1"}},
          {"InstallExecuteSequence",
           {"SetODBCFolders\t\t1100", "RemoveODBC\t\t2400", "InstallODBC\t\t5400"}}};
}

std::string MakePackage(const TempDir& dir, const Tables& tables, const std::string& platform) {
  std::string names;
  for (const auto& [table, rows] : tables) {
    std::string text = kHeadings.at(table) + "\r\n";
    for (const std::string& row : rows) text += row + "\r\n";
    dir.Write("pkg/" + table + ".idt", text);
    names += " " + table + ".idt";
  }
  testing::Shell("cd '" + dir.File("pkg") + "' && rm -f p.msi && msibuild p.msi -s Shop me '" +
                 platform + ";1033' && msibuild p.msi -i" + names);
  return dir.File("pkg/p.msi");
}

// An object storing the driver "Shop Driver" on drv.dll and the data source "Shop" with `lines`
// after its DriverName= line.
std::string ObjectWith(const std::string& sourceLines, const std::string& driverFile = "drv.dll") {
  nlohmann::json p = {
      {"Drivers", {"Shop Driver"}},
      {"DriversInfo", {"Driver=<WINSYSDIR>\\" + driverFile}},
      {"DriversSelections", {true}},
      {"DataSources", {"Shop"}},
      {"DataSourcesInfo", {"DriverName=Shop Driver" + sourceLines}},
      {"DataSourcesSelections", {true}},
      {"DataSourcesTypes", {"user"}},
      {"DataSourcesUninstFlags", {false}},
  };
  return nlohmann::json{{"properties", p}}.dump();
}

struct FindingCase {
  const char* finding;
  const char* sourceLines;               // the data source's lines after DriverName=
  std::function<void(Tables&)> package;  // null: no --package
  const char* said;                      // a line of the output holds it; "" for none
  int exit;
  const char* flag = nullptr;  // one more argument
  const char* platform = "Intel";
  bool withObject = true;
  const char* driverFile = "drv.dll";
  size_t lines = 1;  // of output, when `said` is not ""
};

TEST(CheckTarget, EachFindingNamesTheItemTheLineAndWhatToDo) {
  SKIP_WITHOUT("msibuild");
  const auto drop = [](const char* table, const char* row) {
    return [=](Tables& t) { std::erase(t[table], row); };
  };
  const FindingCase cases[] = {
      // The stored choices alone: warnings.
      {"nothing to find", "\r\nServer=db1", nullptr, "", 0},
      {"a unixODBC driver name", "\r\nDriver=PostgreSQL Unicode", nullptr,
       ": warning: data source \"Shop\" line 2: Driver=\"PostgreSQL Unicode\" is a unixODBC "
       "driver name, not a Windows file",
       0},
      {"a unixODBC library", "\r\nDriver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so", nullptr,
       "line 2: Driver=\"/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so\" is a unixODBC driver "
       "library, not a Windows file; Windows reads a data source's Driver= as the driver's file",
       0},
      {"a Windows driver file is none", "\r\nDriver=C:\\Windows\\System32\\drv.dll", nullptr, "",
       0},
      {"a POSIX path", "\r\nDatabase=/home/me/shop.db", nullptr,
       "line 2: \"Database\" holds the POSIX path \"/home/me/shop.db\", which no Windows machine "
       "has",
       0},
      {"a secret in clear", "\r\nPWD=s3cr3t", nullptr,
       "line 2: \"PWD\" holds a secret in clear (***), which the package carries", 0},
      {"PASS is a secret too", "\r\nPASS=s3cr3t", nullptr, "\"PASS\" holds a secret in clear", 0},
      {"warnings count with --strict", "\r\nPassword=s3cr3t", nullptr,
       "\"Password\" holds a secret in clear", 1, "--strict"},
      // Against a package: errors.
      {"a sound package", "", [](Tables&) {}, "", 0},
      {"a file of a short and a long name", "",
       [](Tables& t) { t["File"] = {"drv.dll\tCDrv\tDRV~1.DLL|drv.dll"}; }, "", 0},
      {"a driver file the package lacks", "", [](Tables&) {},
       "driver \"Shop Driver\" line 1: the package carries no file \"other.dll\"", 1, nullptr,
       "Intel", true, "other.dll"},
      {"a component the package lacks", "",
       [](Tables& t) { t["ODBCDriver"] = {"Shop_Driver\tCGone\tShop Driver\tdrv.dll\t"}; },
       "p.msi: table ODBCDriver, row \"Shop_Driver\": names the component \"CGone\", which the "
       "Component table lacks",
       1},
      {"a file the package lacks", "",
       [](Tables& t) { t["ODBCDriver"] = {"Shop_Driver\tCDrv\tShop Driver\tdrv.dll\tset.dll"}; },
       "row \"Shop_Driver\": names the file \"set.dll\", which the File table lacks", 1},
      {"a folder the package lacks", "", [](Tables& t) { t["Component"] = {"CDrv\tNowhere\t0"}; },
       "its component \"CDrv\" lies in the folder \"Nowhere\", which the Directory table lacks", 1},
      {"an attribute of a data source the package lacks", "",
       [](Tables& t) { t["ODBCSourceAttribute"].push_back("Gone\tServer\tdb2"); },
       "table ODBCSourceAttribute, row \"Gone\" \"Server\": names the row \"Gone\" of "
       "ODBCDataSource, which the package lacks",
       1},
      {"no InstallODBC", "", drop("InstallExecuteSequence", "InstallODBC\t\t5400"),
       "table InstallExecuteSequence: has no InstallODBC action (sequence 5400)", 1},
      {"no RemoveODBC", "", drop("InstallExecuteSequence", "RemoveODBC\t\t2400"),
       "has no RemoveODBC action (sequence 2400)", 1},
      {"no SetODBCFolders", "", drop("InstallExecuteSequence", "SetODBCFolders\t\t1100"),
       "has no SetODBCFolders action (sequence 1100)", 1},
      {"a 64-bit component in an Intel package", "",
       [](Tables& t) { t["Component"] = {"CDrv\tSystemFolder\t256"}; },
       "its component \"CDrv\" is 64-bit (Component.Attributes 256) in a package whose platform "
       "is Intel",
       1},
      {"a 32-bit component in an x64 package", "", [](Tables&) {},
       "its component \"CDrv\" is 32-bit in a package whose platform is x64", 1, nullptr, "x64"},
      // The package alone.
      {"a sound package alone", "", [](Tables&) {}, "", 0, nullptr, "Intel", false},
      {"a package alone without its actions", "",
       [](Tables& t) { t["InstallExecuteSequence"] = {}; },
       "has no InstallODBC action (sequence 5400): without it the package installs its files "
       "and registers nothing",
       1, nullptr, "Intel", false, "drv.dll", 3},
  };
  for (const FindingCase& c : cases) {
    SCOPED_TRACE(c.finding);
    TempDir dir;
    std::vector<std::string> args = {"check"};
    if (c.withObject) {
      dir.Write("o.json", ObjectWith(c.sourceLines, c.driverFile));
      args.insert(args.end(), {dir.File("o.json"), "--no-connect"});
    }
    if (c.package) {
      Tables tables = Sound();
      c.package(tables);
      args.insert(args.end(), {"--package", MakePackage(dir, tables, c.platform)});
    }
    if (c.flag != nullptr) args.push_back(c.flag);
    const auto r = RunProcess(testing::Lumora(), args);
    EXPECT_EQ(r.exitStatus, c.exit) << r.out << r.err;
    if (*c.said == '\0') {
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out << r.err;
      EXPECT_EQ(Lines(r.out).size(), c.lines) << r.out;
    }
    EXPECT_EQ(r.out.find("s3cr3t"), std::string::npos) << "a secret is shown: " << r.out;
  }
}

// --json carries each finding with its severity, item, line and the file it is about.
TEST(CheckTarget, JsonCarriesTheFindingsWithTheirSeverity) {
  SKIP_WITHOUT("msibuild");
  TempDir dir;
  dir.Write("o.json", ObjectWith("\r\nDatabase=/srv/shop.db"));
  Tables tables = Sound();
  tables["InstallExecuteSequence"] = {"SetODBCFolders\t\t1100", "RemoveODBC\t\t2400"};
  const std::string package = MakePackage(dir, tables, "Intel");
  const auto r = RunProcess(testing::Lumora(), {"check", dir.File("o.json"), "--no-connect",
                                                "--json", "--package", package});
  EXPECT_EQ(r.exitStatus, 1) << r.out << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 2u) << r.out;
  const auto warning = nlohmann::json::parse(lines[0]);
  EXPECT_EQ(warning["severity"], "warning");
  EXPECT_EQ(warning["item"], "data source \"Shop\"");
  EXPECT_EQ(warning["line"], 2);
  EXPECT_EQ(warning["file"], dir.File("o.json"));
  const auto error = nlohmann::json::parse(lines[1]);
  EXPECT_EQ(error["severity"], "error");
  EXPECT_EQ(error["item"], "table InstallExecuteSequence");
  EXPECT_EQ(error["file"], package);
  EXPECT_NE(error["finding"].get<std::string>().find("InstallODBC"), std::string::npos);
}

}  // namespace
}  // namespace lumora
