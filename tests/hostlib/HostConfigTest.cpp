// The host settings file and the drive mapping of Windows paths.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "contract/HostError.h"
#include "hostlib/HostConfig.h"
#include "hostlib/LocalHostLibrary.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

TEST(HostConfig, ReadsFoldersAndDrivesWithCommentsAndDefaults) {
  HostConfig c = ParseHostConfig(testing::ReadFile("tests/data/host/host.ini"), "host.ini");
  EXPECT_EQ(c.folders.system, "D:\\WINNT\\System32\\");
  EXPECT_EQ(c.folders.windows, "D:\\WINNT\\");  // the backslash is added
  EXPECT_EQ(c.folders.dao, "");                 // empty stays empty
  EXPECT_EQ(c.folders.programFiles, "C:\\Program Files\\");
  EXPECT_EQ(c.folders.commonFilesSystem, "C:\\Program Files\\Common Files\\System\\");
  EXPECT_EQ(c.drives, (std::map<char, std::string>{{'D', "/srv/winnt"}, {'E', "/mnt/e"}}));
  EXPECT_EQ(LoadHostConfig("").folders.system, "C:\\Windows\\System32\\");
}

TEST(HostConfig, MistakesNameTheFileAndLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"[SystemFolders]\nSystemFolder=C:\\\nSysFolder=C:\\\n", "host.ini:3: unknown system folder"},
      {"[Drives]\nC=/x\n\nCC=/y\n", "host.ini:4: a drive is one letter"},
      {"[Drives]\nC=\n", "host.ini:2: drive C has no folder"},
      {"[Drives]\nC /x\n", "host.ini:2: name=value expected"},
      {"C=/x\n", "host.ini:1: \"C\" given before any section"},
      {"[Drives\n", "host.ini:1: section line without a closing ]"},
  };
  for (const auto& [text, message] : cases) {
    const std::string what =
        testing::MessageOf<HostError>([&] { ParseHostConfig(text, "host.ini"); });
    EXPECT_EQ(what.rfind(message, 0), 0u) << what;
  }
  // A file that cannot be read is refused end to end (HostSettingsCommandTest). Not UTF-8 as a
  // whole: Windows-1252.
  testing::TempDir dir;
  dir.Write("latin.ini", "[SystemFolders]\nProgramFilesFolder=C:\\Programmes \xE9t\xE9\\\n");
  EXPECT_EQ(LoadHostConfig(dir.File("latin.ini")).folders.programFiles,
            "C:\\Programmes \xC3\xA9t\xC3\xA9\\");
}

// Names match ignoring case; in a 64-bit prefix a 32-bit program finds the system folder's
// files in syswow64.
TEST(DriveMap, MapsDrivesAndTheSystemFolderToSysWow64WhenThePrefixHasOne) {
  testing::TempDir dir;
  dir.Write("windows/system32/odbcjt32.dll", "x");
  ::mkdir(dir.File("windows/syswow64").c_str(), 0755);
  const std::string system = "C:\\Windows\\System32\\";
  const struct {
    std::string systemFolder;
    std::string path;
    std::optional<std::string> local;
  } cases[] = {
      {"", "c:\\WINDOWS\\System32\\ODBCJT32.DLL", "windows/system32/odbcjt32.dll"},
      {"", "C:/Windows/./x/../System32/new.dll", "windows/system32/new.dll"},
      {"", "D:\\file", std::nullopt},
      {"", "\\\\server\\share\\file", std::nullopt},
      {"", "C:relative", std::nullopt},
      {system, "C:\\WINDOWS\\system32\\odbcjt32.dll", "windows/syswow64/odbcjt32.dll"},
      {system, "C:/Windows/System32/sub/x.dll", "windows/syswow64/sub/x.dll"},
      {system, "C:\\Windows\\x.dll", "windows/x.dll"},  // outside the system folder
      {"C:\\Other\\System32\\", "C:\\Other\\System32\\x.dll", "Other/System32/x.dll"},
  };
  for (const auto& c : cases) {
    DriveMap map({{'C', dir.path() + "/"}}, c.systemFolder);
    EXPECT_EQ(map.ToLocalPath(c.path), c.local ? std::optional(dir.File(*c.local)) : std::nullopt)
        << c.systemFolder << " " << c.path;
  }
}

TEST(DriveMap, DriveCFallsBackToTheWinePrefix) {
  testing::TempDir dir;
  testing::ScopedEnv env("WINEPREFIX", dir.path().c_str());
  EXPECT_FALSE(DriveMap({}).drives().count('C'));  // no drive_c yet
  ::mkdir(dir.File("drive_c").c_str(), 0755);
  EXPECT_EQ(DriveMap({}).ToLocalPath("C:\\x.dll"), dir.File("drive_c/x.dll"));
  EXPECT_EQ(DriveMap({{'C', "/elsewhere"}}).ToLocalPath("C:\\x.dll"), "/elsewhere/x.dll");
}

// The configured folders, and the registry the settings name: none, a Wine prefix by folder, or
// the default prefix ($WINEPREFIX), in the view asked for. Bad settings files stop lumora end to
// end (HostSettingsCommandTest).
TEST(LocalHostLibrary, ServesTheConfiguredFoldersAndRegistry) {
  testing::TempDir dir;
  dir.Write("host.ini", "[SystemFolders]\nSystemFolder=E:\\Sys\\\n");
  testing::ScopedEnv env("WINEPREFIX", "tests/data/wine");
  const struct {
    const char* registry;
    int view;
    std::string machineDataSources;
  } cases[] = {{"none", 32, "-"}, {"tests/data/wine", 64, "Native64 "}, {"wine", 32, "Legacy32 "}};
  for (const auto& c : cases) {
    HostSettings settings;
    settings.hostConfig = dir.File("host.ini");
    settings.registry = c.registry;
    settings.registryView = c.view;
    LocalHostLibrary library(settings);
    EXPECT_EQ(library.NewSystemFolders()->SystemFolder(), "E:\\Sys\\");
    EXPECT_EQ(library.NewSystemFolders()->WindowsFolder(), "C:\\Windows\\");
    auto key = library.NewRegistryKey();
    key->SetRoot(library.NewRegistryConstants()->LocalMachineRoot());
    int32_t access = library.NewRegistryConstants()->ReadAccess();
    auto list = key->OpenSubKey("SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources", access);
    std::string names = list ? "" : "-";
    for (int16_t i = 1; list && i <= list->Values()->Count(); ++i) {
      names += list->Values()->Item(i)->Name() + " ";
    }
    EXPECT_EQ(names, c.machineDataSources) << c.registry;
  }
}

}  // namespace
}  // namespace lumora
