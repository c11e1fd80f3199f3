// Which libraries each command maps: the installer formats (libmsi with glib beneath it,
// libxml2 with ICU) are opened only by the commands that read or write installer packages and
// WiX sources, so every other start stays as short as the program itself. The dynamic loader names
// every object it maps, linked or opened with dlopen, in its LD_DEBUG=files log.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lumora;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

// The installer-format library and what it brings (ICU comes with libxml2; UCase needs no ICU
// at run time).
const std::vector<std::string> kInstallerLibraries = {
    "libBVLumoraInstaller.so", "libmsi.so", "libxml2.so", "libglib-2.0.so", "libicuuc.so"};

// Runs `program args` with the loader's log in `dir`; returns the exit status and the log of
// every process it started.
std::pair<int, std::string> RunLogged(const TempDir& dir, const std::string& program,
                                      std::vector<std::string> args) {
  args.insert(args.begin(), {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + dir.File("ld"), program});
  const int status = RunProcess("/usr/bin/env", args).exitStatus;
  std::string log;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.path().filename().string().starts_with("ld.")) log += ReadFile(entry.path());
  }
  return {status, log};
}

TEST(LoadedLibraries, OnlyTheInstallerFormatsOpenTheirLibraries) {
  struct Case {
    std::vector<std::string> args;  // $D: the test's folder
    int exit;
    bool installer;  // the installer libraries are mapped
  };
  const std::vector<Case> cases = {
      {{"build", "$D/o.json", "--registry", "none"}, 0, false},
      {{"wizard", "$D/o.json", "--script", "examples/demo.script", "--registry", "none"}, 1, false},
      {{"show", "$D/o.json"}, 0, false},
      {{"check", "$D/o.json", "--no-connect"}, 0, false},
      {{"catalogue", "--from", "tests/data/registry/three-sources.reg", "--out", "$D/c"}, 0, false},
      {{"export", "$D/o.json", "--format", "wix", "--out", "$D/x"}, 0, false},
      {{"import", "$D/o.json", "--from", "tests/data/import/typed.wxs"}, 0, true},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.Write("o.json", ReadFile("examples/object.json"));
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
      if (arg.starts_with("$D")) arg = dir.path() + arg.substr(2);
    }
    const auto [status, log] = RunLogged(dir, Lumora(), args);
    EXPECT_EQ(status, c.exit) << args[0];
    EXPECT_NE(log.find("libc.so"), std::string::npos) << args[0] << ": no loader log";
    for (const std::string& library : kInstallerLibraries) {
      EXPECT_EQ(log.find("file=" + library) != std::string::npos ||
                    log.find("/" + library) != std::string::npos,
                c.installer)
          << args[0] << " and " << library;
    }
  }
}

// A lumora whose tree lacks the library still runs every other command, and an import of a WiX
// source says what is missing: exit 1, the object untouched.
TEST(LoadedLibraries, AMissingInstallerLibraryIsNamed) {
  TempDir dir;
  std::filesystem::copy_file(Lumora(), dir.File("lumora"));
  std::filesystem::permissions(dir.File("lumora"), std::filesystem::perms::owner_all);
  const std::string object = ReadFile("examples/object.json");
  dir.Write("o.json", object);
  auto r = RunProcess(dir.File("lumora"),
                      {"import", dir.File("o.json"), "--from", "tests/data/import/typed.wxs"});
  EXPECT_EQ(r.exitStatus, 1) << r.err;
  EXPECT_NE(r.err.find("lumora: cannot load the installer-format library"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("libBVLumoraInstaller.so"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir.File("o.json")), object);
  r = RunProcess(dir.File("lumora"),
                 {"export", dir.File("o.json"), "--format", "odbcinst", "--out", dir.File("x")});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
}

}  // namespace
}  // namespace lumora
