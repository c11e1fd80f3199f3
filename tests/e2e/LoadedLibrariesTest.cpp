// Only the commands that read or write installer packages and WiX sources map their libraries, as
// the dynamic loader's LD_DEBUG=files log of every object it maps (dlopen included) shows.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::ReadFile;
using testing::RunProcess;

const char* kWix = "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\"/>\n";

TEST(LoadedLibraries, OnlyTheInstallerFormatsOpenTheirLibraries) {
  const struct {
    std::vector<std::string> args;  // $D: the test's folder
    int exit;
    bool installer;  // the installer libraries are mapped
  } cases[] = {
      {{"build", "$D/o.json", "--registry", "none"}, 0, false},
      {{"wizard", "$D/o.json", "--script", "examples/demo.script", "--registry", "none"}, 1, false},
      {{"show", "$D/o.json"}, 0, false},
      {{"check", "$D/o.json", "--no-connect"}, 0, false},
      {{"catalogue", "--from", "tests/data/registry/three-sources.reg", "--out", "$D/c"}, 0, false},
      {{"export", "$D/o.json", "--format", "wix", "--out", "$D/x"}, 0, false},
      {{"import", "$D/o.json", "--from", "$D/s.wxs"}, 0, true},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    dir.Write("o.json", ReadFile("examples/object.json"));
    dir.Write("s.wxs", kWix);
    std::vector<std::string> args = {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + dir.File("ld"),
                                     testing::Lumora()};
    for (const std::string& arg : c.args) {
      args.push_back(arg.starts_with("$D") ? dir.path() + arg.substr(2) : arg);
    }
    EXPECT_EQ(RunProcess("/usr/bin/env", args).exitStatus, c.exit) << c.args[0];
    std::string log;  // of every process the command started
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      if (entry.path().filename().string().starts_with("ld.")) log += ReadFile(entry.path());
    }
    for (const char* library :
         {"libBVLumoraInstaller.so", "libmsi.so", "libxml2.so", "libglib-2.0.so", "libicuuc.so"}) {
      EXPECT_EQ(log.find(library) != std::string::npos, c.installer)
          << c.args[0] << ", " << library;
    }
  }
  // A lumora whose tree lacks the library names it: exit 1, the object untouched.
  testing::TempDir dir;
  std::filesystem::copy_file(testing::Lumora(), dir.File("lumora"));
  dir.Write("o.json", "{\"properties\": {}}\n");
  dir.Write("s.wxs", kWix);
  const auto r =
      RunProcess(dir.File("lumora"), {"import", dir.File("o.json"), "--from", dir.File("s.wxs")});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.err,
            "lumora: cannot load the installer-format library, which writes into and reads "
            "installer packages and WiX sources: " +
                dir.File("libBVLumoraInstaller.so") +
                ": cannot open shared object file: No such file or directory; nothing written\n");
  EXPECT_EQ(ReadFile(dir.File("o.json")), "{\"properties\": {}}\n");
}

}  // namespace
}  // namespace lumora
