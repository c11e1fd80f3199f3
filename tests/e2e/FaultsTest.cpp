// The whole host under faults: a save that fails after Finish, and a missing catalogue.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

const char* kFinishWithSqlServer =
    "tick lvwDrivers \"SQL Server\"\nclick cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n";

TEST(Faults, AFailedSaveAfterFinishKeepsTheObjectAndSaysWhereTheChoicesAre) {
  TempDir dir;
  const std::string old = "{\"properties\": {\"Kept\": 1}}\n";
  dir.Write("o.json", old);
  dir.Write("script", kFinishWithSqlServer);
  ::setenv("LUMORA_TEST_SAVE_FAULT", "rename", 1);
  auto r = RunProcess(testing::BinDir() + "/lumora", {"wizard", dir.File("o.json"), "--script",
                                                      dir.File("script"), "--registry", "none"});
  ::unsetenv("LUMORA_TEST_SAVE_FAULT");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(ReadFile(dir.File("o.json")), old);
  std::string recovery;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    if (e.path().filename().string().rfind("o.recovered-", 0) == 0) recovery = e.path().string();
  }
  ASSERT_FALSE(recovery.empty()) << r.err;
  EXPECT_NE(r.err.find("your choices are in " + recovery), std::string::npos) << r.err;
  EXPECT_NE(ReadFile(recovery).find("\"SQL Server\""), std::string::npos);
  EXPECT_NE(ReadFile(recovery).find("\"Kept\": 1"), std::string::npos);
}

TEST(Faults, AMissingCatalogueLeavesOnlyWhatTheObjectAndMachineHold) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("empty-component"));
  dir.Write("o.json", "{\"properties\": {}}");
  dir.Write("script", "dump\nclick cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n");
  auto r = RunProcess(testing::BinDir() + "/lumora",
                      {"wizard", dir.File("o.json"), "--script", dir.File("script"), "--registry",
                       "none", "--component-dir", dir.File("empty-component")});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  // A missing catalogue reads as empty and is no failure; the host only notes where it looked.
  EXPECT_EQ(r.err, "lumora: note: there is no catalogue at " + dir.File("empty-component") +
                       "/lumora.ini; the wizard offers no provided drivers (--component-dir names "
                       "the folder of lumora.ini)\n");
  EXPECT_NE(r.out.find("{\"name\":\"lvwDrivers\",\"type\":\"ListView\",\"enabled\":true,"
                       "\"visible\":true,\"left\":240,\"top\":1230,\"tag\":\"\","
                       "\"helpContextID\":0,\"items\":[]}"),
            std::string::npos);
  EXPECT_NE(ReadFile(dir.File("o.json")).find("\"Drivers\": [\n      \"\"\n    ]"),
            std::string::npos)
      << ReadFile(dir.File("o.json"));
}

}  // namespace
}  // namespace lumora
