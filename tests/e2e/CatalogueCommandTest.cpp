// lumora catalogue: a component folder made from the drivers of a scratch odbcinst.ini (a
// registry export's, the wizard offering what it wrote, and the refusals: the scripted cases
// catalogue-*).
#include <gtest/gtest.h>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

TEST(CatalogueCommand, TheMachinesDriversComeFirst) {
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
}

}  // namespace
}  // namespace lumora
