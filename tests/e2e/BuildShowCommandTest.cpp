// lumora build and lumora show as a host's user runs them.
#include <gtest/gtest.h>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

std::string Lumora() {
  return testing::BinDir() + "/lumora";
}

TEST(BuildCommand, AnswersAllSixtyFourFeaturesOfTheExample) {
  auto r = RunProcess(Lumora(), {"build", "examples/object.json", "--registry", "none"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  size_t lines = 0;
  for (char c : r.out) lines += c == '\n';
  EXPECT_EQ(lines, 64u);
  EXPECT_NE(r.out.find("true\tSQL SERVER DRIVER\\JAPANESE\n"), std::string::npos);
  EXPECT_NE(r.out.find("true\tDTDB 3.5\\ACCESS DRIVER\\ENGLISH\n"), std::string::npos);
  EXPECT_NE(r.out.find("false\tDTDB 4.0\\ACCESS DRIVER\n"), std::string::npos);
  EXPECT_NE(r.out.find("false\tORACLE DRIVER\n"), std::string::npos);
}

TEST(BuildCommand, NamedFeaturesAnswerAsGivenInOrder) {
  auto r =
      RunProcess(Lumora(), {"build", "examples/object.json", "dtdb 3.5\\access driver\\english",
                            "ODBC ", "ODBC\\", "LumoraA\\OLEDB JAPANESE"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out,
            "true\tdtdb 3.5\\access driver\\english\nfalse\tODBC \nfalse\tODBC\\\n"
            "true\tLumoraA\\OLEDB JAPANESE\n");
  EXPECT_EQ(r.err,
            "lumora: note: \"ODBC \" is not one of the setup object's 64 feature paths; the "
            "answer is false\n"
            "lumora: note: \"ODBC\\\" is not one of the setup object's 64 feature paths; the "
            "answer is false\n");
}

TEST(BuildCommand, FailingQueryPrintsTheErrorAndExitsOne) {
  TempDir dir;
  dir.Write("o.json", R"({"properties": {"Drivers": ["SQL Server"], "DriversSelections": []}})");
  auto r = RunProcess(Lumora(), {"build", dir.File("o.json"), "ODBC", "SQL SERVER DRIVER"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out, "true\tODBC\n");
  EXPECT_EQ(r.err,
            "lumora: error 9 in LumoraCtl:ISetupDesignObjectBuild_IsIncluded: Subscript out of "
            "range (BVLumora)\n");
}

TEST(BuildCommand, BrokenObjectIsRefusedWithLineAndColumnAndLeftAlone) {
  TempDir dir;
  const std::string broken = "{\"properties\": {\n  \"Drivers\": [\"a\" \"b\"]\n}}\n";
  dir.Write("o.json", broken);
  auto r = RunProcess(Lumora(), {"build", dir.File("o.json")});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find(dir.File("o.json") + ":2:"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(ReadFile(dir.File("o.json")), broken);
}

TEST(BuildCommand, BadUsageExitsTwo) {
  EXPECT_EQ(RunProcess(Lumora(), {}).exitStatus, 2);
  EXPECT_EQ(RunProcess(Lumora(), {"build"}).exitStatus, 2);
  EXPECT_EQ(RunProcess(Lumora(), {"frobnicate"}).exitStatus, 2);
  auto help = RunProcess(Lumora(), {"build", "--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("FEATURE"), std::string::npos);
}

TEST(ShowCommand, ListsStoredChoicesAndSkipsPlaceholders) {
  TempDir dir;
  dir.Write("o.json", R"J({"properties": {"DTDBVerNo": 1,
      "Drivers": ["", "Microsoft Text Driver (*.txt; *.csv)"],
      "DriversInfo": ["", "Driver=<WINSYSDIR>\\odbcjt32.dll\r\nSetup=<WINSYSDIR>\\odtext32.dll"],
      "DriversSelections": [false, true],
      "DataSources": [""], "DataSourcesInfo": [""], "DataSourcesTypes": [""],
      "DataSourcesSelections": [false], "DataSourcesUninstFlags": [false]}})J");
  auto r = RunProcess(Lumora(), {"show", dir.File("o.json")});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_NE(r.out.find("Desktop database drivers: 4.0 (DTDBVerNo 1)"), std::string::npos);
  EXPECT_NE(r.out.find("  [x] Microsoft Text Driver (*.txt; *.csv)\n"
                       "        Driver=<WINSYSDIR>\\odbcjt32.dll\n"
                       "        Setup=<WINSYSDIR>\\odtext32.dll\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Data sources:\n  (none selected)"), std::string::npos) << r.out;
}

TEST(ShowCommand, NewObjectSaysNothingIsStored) {
  TempDir dir;
  dir.Write("o.json", "{}");
  auto r = RunProcess(Lumora(), {"show", dir.File("o.json")});
  ASSERT_EQ(r.exitStatus, 0);
  EXPECT_NE(r.out.find("Drivers: none stored"), std::string::npos);
  EXPECT_NE(r.out.find("not stored (reads as 3.5)"), std::string::npos);
}

}  // namespace
}  // namespace lumora
