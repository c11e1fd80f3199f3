// lumora catalogue: a component folder made from the drivers of a scratch odbcinst.ini, read back
// by the wizard's own catalogue merge in step 1 (a registry export's, and the refusals: the
// scripted cases catalogue-*).
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

TEST(CatalogueCommand, TheMachinesDriversComeFirstAndTheWizardOffersThem) {
  TempDir dir;
  dir.Write("odbcinst.ini", ReadFile("tests/data/catalogue/sqlite3-odbcinst.ini"));
  const testing::ScopedEnv env("ODBCSYSINI", dir.path().c_str());
  const std::string out = dir.File("component");
  const std::vector<std::string> args = {"catalogue", "--from", "unixodbc", "--out", out};
  ProcessResult made = RunProcess(testing::Lumora(), args);
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  const std::string ini = ReadFile(out + "/lumora.ini");
  EXPECT_NE(ini.find("[Drivers]\nDriver0=SQLite3\nDriver1=SQL Server\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[SQLite3]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\nSetup="
                     "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\nDescription=SQLite 3\n\n"),
            std::string::npos)
      << ini;
  EXPECT_NE(ini.find("[Translators]"), std::string::npos);
  EXPECT_NE(ini.find("[DTDB40 Drivers]"), std::string::npos);
  EXPECT_EQ(ini.find("UsageCount"), std::string::npos);
  // A catalogue there is replaced with --force only (the refusals: the cases catalogue-*).
  dir.Write("component/lumora.ini", "kept");
  std::vector<std::string> forced = args;
  forced.push_back("--force");
  ASSERT_EQ(RunProcess(testing::Lumora(), forced).exitStatus, 0);
  EXPECT_EQ(ReadFile(out + "/lumora.ini"), ini);

  dir.Write("object.json", "{\"properties\": {}}");
  dir.Write("script",
            "tick lvwDrivers \"SQLite3\"\nclick cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n");
  ProcessResult wizard = RunProcess(
      testing::Lumora(), {"wizard", dir.File("object.json"), "--script", dir.File("script"),
                          "--component-dir", out, "--registry", "none"});
  ASSERT_EQ(wizard.exitStatus, 0) << wizard.out << wizard.err;
  const auto stored = nlohmann::json::parse(ReadFile(dir.File("object.json")))["properties"];
  ASSERT_EQ(stored["Drivers"][0], "SQLite3") << stored;
  EXPECT_EQ(stored["DriversInfo"][0],
            "Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\r\nSetup=/usr/lib/x86_64-"
            "linux-gnu/odbc/libsqlite3odbc.so\r\nDescription=SQLite 3");
}

}  // namespace
}  // namespace lumora
