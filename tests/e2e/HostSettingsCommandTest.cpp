// Bad host settings on the command line stop lumora before it does anything.
#include <gtest/gtest.h>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::RunProcess;
using testing::TempDir;

TEST(HostSettings, MalformedRegistryExportOrSettingsFileExitsTwoNamingFileAndLine) {
  TempDir dir;
  dir.Write("bad.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=nonsense\n");
  dir.Write("bad.ini", "[SystemFolders]\nSystemFolder=C:\\Windows\\System32\\\n[Disks]\n");
  const std::string lumora = testing::BinDir() + "/lumora";
  for (const char* command : {"build", "show"}) {
    auto r =
        RunProcess(lumora, {command, "examples/object.json", "--registry", dir.File("bad.reg")});
    EXPECT_EQ(r.exitStatus, 2) << command;
    EXPECT_EQ(r.out, "") << command;
    EXPECT_EQ(r.err.rfind("lumora: " + dir.File("bad.reg") + ":4: unknown value data", 0), 0u)
        << r.err;

    r = RunProcess(lumora, {command, "examples/object.json", "--host-config", dir.File("bad.ini")});
    EXPECT_EQ(r.exitStatus, 2) << command;
    EXPECT_EQ(r.out, "") << command;
    EXPECT_EQ(r.err.rfind("lumora: " + dir.File("bad.ini") + ":3: unknown section [Disks]", 0), 0u)
        << r.err;
  }
  auto ok = RunProcess(lumora, {"build", "examples/object.json", "ODBC", "--registry", "none",
                                "--host-config", "/dev/null"});
  EXPECT_EQ(ok.exitStatus, 0) << ok.err;
}

}  // namespace
}  // namespace lumora
