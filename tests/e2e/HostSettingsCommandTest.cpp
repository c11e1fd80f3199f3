// Bad host settings on the command line stop lumora before it does anything.
#include <gtest/gtest.h>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::RunProcess;
using testing::TempDir;

// show reads both files and refuses a malformed one naming its file and line; build answers
// from the design object alone and never reads them.
TEST(HostSettings, MalformedRegistryExportOrSettingsFileStopsShowButNotBuild) {
  TempDir dir;
  dir.Write("bad.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=nonsense\n");
  dir.Write("bad.ini", "[SystemFolders]\nSystemFolder=C:\\Windows\\System32\\\n[Disks]\n");
  const std::string lumora = testing::BinDir() + "/lumora";
  struct Setting {
    const char* option;
    std::string file;
    std::string message;
  };
  const Setting settings[] = {
      {"--registry", dir.File("bad.reg"), dir.File("bad.reg") + ":4: unknown value data"},
      {"--host-config", dir.File("bad.ini"), dir.File("bad.ini") + ":3: unknown section [Disks]"},
      {"--registry", dir.File("missing.reg"), ""},
  };
  for (const Setting& setting : settings) {
    auto r = RunProcess(lumora, {"show", "examples/object.json", setting.option, setting.file});
    EXPECT_EQ(r.exitStatus, 2) << setting.file;
    EXPECT_EQ(r.out, "") << setting.file;
    if (!setting.message.empty()) {
      EXPECT_EQ(r.err.rfind("lumora: " + setting.message, 0), 0u) << r.err;
    }

    r = RunProcess(lumora, {"build", "examples/object.json", "ODBC", setting.option, setting.file});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "true\tODBC\n") << setting.file;
    EXPECT_EQ(r.err, "") << setting.file;
  }
}

}  // namespace
}  // namespace lumora
