// Bad host settings on the command line stop lumora before it does anything, naming the file
// and the line or the reason.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::RunProcess;
using testing::TempDir;

// Every command reads both files and refuses an unusable one naming it and why, build too,
// though it answers from the design object alone.
TEST(HostSettings, UnusableRegistryOrSettingsFileStopsEveryCommand) {
  TempDir dir;
  dir.Write("bad.ini", "[SystemFolders]\nSystemFolder=C:\\Windows\\System32\\\n[Disks]\n");
  dir.Write("system.reg", "WINE REGISTRY Version 2\n");
  ::mkdir(dir.File("empty").c_str(), 0755);
  const struct {
    const char* option;
    std::string value;
    std::string message;  // what stderr starts with after "lumora: "
  } cases[] = {
      {"--registry", "tests/data/registry/bad-value.reg",
       "tests/data/registry/bad-value.reg:4: unknown value data"},
      {"--host-config", dir.File("bad.ini"), dir.File("bad.ini") + ":3: unknown section [Disks]"},
      {"--registry", dir.File("system.reg"),
       dir.File("system.reg") + ":1: this is a Wine registry file, not an export: pass the Wine "
                                "prefix folder"},
      {"--registry", dir.File("gone.reg"),
       dir.File("gone.reg") + ": registry export: No such file or directory"},
      {"--registry", dir.File("empty"), dir.File("empty") + ": not a Wine prefix"},
      {"--host-config", dir.path(), dir.path() + ": host configuration: is a directory"},
      {"--host-config", "/dev/null", "/dev/null: host configuration: is a device, not a file"},
      {"--host-config", dir.File("gone.ini"),
       dir.File("gone.ini") + ": host configuration: No such file or directory"},
  };
  const std::string lumora = testing::Lumora();
  for (const auto& c : cases) {
    for (const char* command : {"show", "build"}) {
      auto r = RunProcess(lumora, {command, "examples/object.json", c.option, c.value});
      EXPECT_EQ(r.exitStatus, 2) << command << " " << c.value;
      EXPECT_EQ(r.out, "") << command << " " << c.value;
      EXPECT_EQ(r.err.rfind("lumora: " + c.message, 0), 0u) << r.err;
    }
  }
  auto ok = RunProcess(
      lumora, {"show", "examples/object.json", "--registry", "none", "--registry-view", "64"});
  EXPECT_EQ(ok.exitStatus, 0) << ok.err;
  auto view = RunProcess(lumora, {"show", "examples/object.json", "--registry-view", "16"});
  EXPECT_EQ(view.exitStatus, 2);
}

}  // namespace
}  // namespace lumora
