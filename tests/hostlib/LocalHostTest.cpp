// The local host library: its settings file, the drive mapping of Windows paths, the folders and
// registry it serves, and its profile-list helper (how it counts the slots of a numbered list
// section) and PE version reader (on executables that the tests build byte by byte); and the
// atomic write of the component registry: the old text or the new, its mode kept, nothing left.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "contract/HostError.h"
#include "hostlib/AtomicFile.h"
#include "hostlib/HostConfig.h"
#include "hostlib/LocalHostLibrary.h"
#include "hostlib/PeFileVersion.h"
#include "hostlib/ProfileIniFile.h"
#include "support/Outcome.h"
#include "support/Platform.h"
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
  SKIP_IN_WINDOWS_BUILD("Windows paths are the system's own there, never mapped");
  testing::TempDir dir;
  dir.Write("windows/system32/odbcjt32.dll", "x");
  std::filesystem::create_directory(dir.File("windows/syswow64"));
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
  std::filesystem::create_directory(dir.File("drive_c"));
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

TEST(ProfileIniFile, CountsOneMoreThanTheHighestSlotOfThePlainStemInTheFirstSection) {
  std::string longList = "[Drivers]\n";
  for (int i = 0; i < 2000; ++i) longList += "Driver" + std::to_string(i) + "=x\n";
  longList += "Driver2500=" + std::string(3000, 'v') + "\n";
  const struct {
    std::string content, section, stem;
    bool found;
    int16_t count;
    std::string value;  // the highest slot's value; "-" when not checked
  } cases[] = {
      {"[Drivers]\nDriver0=A\nDriver5=F\nDriver2=C\n", "Drivers", "Driver", true, 6, "F"},
      {"[Drivers]\nDriver0=NONE\n", "Drivers", "Driver", true, 1, "NONE"},
      {"[Drivers]\nDriver10=x\n", "Drivers", "Driver", true, 11, "x"},
      // Only the stem followed by plain digits is a slot; a line without "=" is no key.
      {"[Drivers]\nDriver07=x\nDriver 9=x\nDriverX=x\nDriver=x\nDriver-4=x\nDriver3a=x\n"
       "Drivers8=x\nMyDriver6=x\n;Driver9=comment\nDriver11\nDriver1=y\n",
       "Drivers", "Driver", true, 2, "y"},
      {"[Drivers]\nDriver01=x\nDriver=y\n", "Drivers", "Driver", false, 0, "-"},
      {"[DRIVERS]\nDRIVER3=x\ndriver4=y\n", "drivers", "Driver", true, 5, "y"},
      {"[Drivers]\nDriver1=a\n[Other]\nDriver9=z\n[drivers]\nDriver7=b\n", "Drivers", "Driver",
       true, 2, "a"},
      {"[Other]\nDriver4=x\n", "Drivers", "Driver", false, 0, "-"},
      {"[Drivers]\nDriver32766=x\n", "Drivers", "Driver", true, 32767, "x"},
      {longList, "Drivers", "Driver", true, 2501, std::string(3000, 'v')},
  };
  testing::TempDir dir;
  for (const auto& c : cases) {
    dir.Write("lumora.ini", c.content);
    std::string value(255, ' ');
    int16_t count = -1;
    EXPECT_EQ(
        ProfileIniFile().FindIniFileEntry(dir.File("lumora.ini"), c.section, c.stem, value, count),
        c.found)
        << c.content.substr(0, 80);
    EXPECT_EQ(count, c.count) << c.content.substr(0, 80);
    if (c.value != "-") {
      EXPECT_EQ(value, c.value) << c.content.substr(0, 80);
    }
  }
  std::string value;
  int16_t count = -1;
  EXPECT_FALSE(
      ProfileIniFile().FindIniFileEntry(dir.File("absent.ini"), "Drivers", "Driver", value, count));
  EXPECT_EQ(count, 0);
  // A slot past 16 bits overflows (Driver32767 in CatalogueTest.CountOverflow...).
  dir.Write("lumora.ini", "[Drivers]\nDriver99999999999999999999=x\n");
  EXPECT_EQ(testing::FailureNumberOf([&] {
              ProfileIniFile().FindIniFileEntry(dir.File("lumora.ini"), "Drivers", "Driver", value,
                                                count);
            }),
            kOverflow);
}

struct Language {
  uint16_t id;
  uint32_t fileMs;
  uint32_t fileLs;
};

// A minimal PE image with one .rsrc section holding the version resource in each language.
class PeBuilder {
 public:
  bool pe64 = false;
  bool withResource = true;
  std::vector<Language> languages = {{0x409, 0x00040000, 0x17830000}};  // 4.0.6019.0

  std::string Build() const {
    std::string image(0x200, '\0');
    Put(image, 0, 0x5A4D, 2);  // "MZ"
    Put(image, 0x3C, 0x80);
    std::memcpy(&image[0x80], "PE\0\0", 4);
    const uint32_t coff = 0x84;
    Put(image, coff, pe64 ? 0x8664 : 0x14C, 2);
    Put(image, coff + 2, 1, 2);  // one section
    const uint16_t optionalSize = pe64 ? 240 : 224;
    Put(image, coff + 16, optionalSize, 2);
    const uint32_t opt = coff + 20;
    Put(image, opt, pe64 ? 0x20B : 0x10B, 2);
    Put(image, opt + (pe64 ? 108 : 92), 16);
    const std::string rsrc = Resources();
    const uint32_t dirs = opt + (pe64 ? 112 : 96);
    if (withResource) {
      Put(image, dirs + 16, 0x1000);
      Put(image, dirs + 20, static_cast<uint32_t>(rsrc.size()));
    }
    const uint32_t section = opt + optionalSize;
    std::memcpy(&image[section], ".rsrc", 5);
    Put(image, section + 8, static_cast<uint32_t>(rsrc.size()));
    Put(image, section + 12, 0x1000);
    Put(image, section + 16, static_cast<uint32_t>(rsrc.size()));
    Put(image, section + 20, 0x200);
    return image + rsrc;
  }

  // Writes the `bytes` low bytes of `v` at `at`, little-endian, growing `s` as needed.
  static void Put(std::string& s, size_t at, uint32_t v, size_t bytes = 4) {
    if (s.size() < at + bytes) s.resize(at + bytes, '\0');
    for (size_t i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }

 private:
  // Directories: type 16 at 0, id 1 at 0x18, languages at 0x30; data entries after them,
  // then one 92-byte VS_VERSIONINFO per language.
  std::string Resources() const {
    const uint32_t n = static_cast<uint32_t>(languages.size());
    std::string r;
    Put(r, 14, 1, 2);
    Put(r, 16, 16);
    Put(r, 20, 0x80000000u | 0x18);
    Put(r, 0x18 + 14, 1, 2);
    Put(r, 0x18 + 16, 1);
    Put(r, 0x18 + 20, 0x80000000u | 0x30);
    Put(r, 0x30 + 14, static_cast<uint16_t>(n), 2);
    const uint32_t entries = 0x30 + 16 + 8 * n;
    const uint32_t blocks = entries + 16 * n;
    for (uint32_t i = 0; i < n; ++i) {
      Put(r, 0x30 + 16 + 8 * i, languages[i].id);
      Put(r, 0x30 + 20 + 8 * i, entries + 16 * i);
      Put(r, entries + 16 * i, 0x1000 + blocks + 92 * i);
      Put(r, entries + 16 * i + 4, 92);
      const uint32_t b = blocks + 92 * i;
      Put(r, b, 92, 2);
      Put(r, b + 2, 52, 2);
      const char16_t key[] = u"VS_VERSION_INFO";
      for (int k = 0; k < 16; ++k) Put(r, b + 6 + 2 * k, key[k], 2);
      Put(r, b + 40, 0xFEEF04BD);
      Put(r, b + 44, 0x00010000);
      Put(r, b + 48, languages[i].fileMs);
      Put(r, b + 52, languages[i].fileLs);
      Put(r, b + 56, languages[i].fileMs);
      Put(r, b + 60, languages[i].fileLs);
      Put(r, b + 88, 0);  // the block's last field, so the section ends with it
    }
    return r;
  }
};

std::string VersionOf(const std::string& image) {
  auto v = ReadPeVersion(image);
  return v ? VersionText(v->file) : "";
}

// The fixed numbers of PE32 and PE32+, US English else the first language, or nothing.
TEST(PeFileVersion, ReadsTheFixedNumbersOfTheLanguageItPrefers) {
  const std::pair<PeBuilder, std::string> cases[] = {
      {{false, true, {{0x409, 0x00040000, 0x17830000}}}, "4.0.6019.0"},
      {{true, true, {{0x409, 0x00040000, 0x17830000}}}, "4.0.6019.0"},
      {{false, true, {{0x409, 0x00030033, 0x06B10000}}}, "3.51.1713.0"},
      {{false, true, {{0x407, 0x00030033, 0}, {0x409, 0x00040000, 0}}}, "4.0.0.0"},
      {{false, true, {{0x407, 0x00030033, 0}, {0x40C, 0x00040000, 0}}}, "3.51.0.0"},
      {{false, false, {{0x409, 0x00040000, 0}}}, ""},
  };
  for (const auto& [image, version] : cases)
    EXPECT_EQ(VersionOf(image.Build()), version) << version;
  EXPECT_FALSE(ReadPeVersion("not an executable at all"));
}

TEST(PeFileVersion, EveryTruncationGivesNothingAndNeverCrashes) {
  for (bool pe64 : {false, true}) {
    const std::string image = PeBuilder{pe64}.Build();
    for (size_t cut = 0; cut < image.size(); ++cut) {
      EXPECT_FALSE(ReadPeVersion(image.substr(0, cut))) << "cut at " << cut;
    }
  }
}

// Malformed structures give nothing. A data entry may claim up to 4 GiB inside a section of that
// virtual size (the part past the raw data reads as zeros): only the block's own 16-bit length
// is read (taking the claim at its word filled 4 GiB of zeros for a 700-byte file), while a
// claim past the section's extent, or one whose raw part lies past the file, is malformed.
TEST(PeFileVersion, MalformedStructuresGiveNothing) {
  const std::string good = PeBuilder().Build();
  const size_t rsrc = 0x200, section = 0x84 + 20 + 224;
  const size_t block = rsrc + 0x30 + 16 + 8 + 16, dataSize = rsrc + 0x30 + 16 + 8 + 4;
  struct Put {
    size_t at;
    uint32_t value;
    bool wide;
  };
  const struct {
    std::vector<Put> puts;
    std::string version;  // "": nothing
  } cases[] = {
      {{{0x3C, 0xFFFFFFF0u, true}}, ""},       // e_lfanew past the end
      {{{0x84 + 16, 0xFFFF, false}}, ""},      // optional header too big
      {{{0x84 + 20, 0x1234, false}}, ""},      // unknown magic
      {{{0x84 + 2, 0xFFFF, false}}, ""},       // too many sections
      {{{rsrc + 14, 0xFFFF, false}}, ""},      // entry count past the end
      {{{rsrc + 20, 0x80000000u, true}}, ""},  // directory loops to root
      {{{rsrc + 0x18 + 20, 0x30, true}}, ""},  // leaf where a directory is due
      {{{block, 0, false}}, ""},               // wLength 0
      {{{block, 0xFFFF, false}}, ""},          // wLength past the data
      {{{block + 40, 0xFEEF04BC, true}}, ""},  // bad signature
      {{{block + 6, 'X', false}}, ""},         // wrong key
      {{{section + 8, 0xFFFFFFFFu, true}, {dataSize, 0xFFFFF000u, true}}, "4.0.6019.0"},
      {{{dataSize, 0xFFFFF000u, true}}, ""},
      {{{section + 8, 0xFFFFFFFFu, true},
        {section + 16, 0xFFFFFFFFu, true},
        {dataSize, 0xFFFFF000u, true}},
       ""},
  };
  for (const auto& c : cases) {
    std::string s = good;
    for (const Put& put : c.puts) PeBuilder::Put(s, put.at, put.value, put.wide ? 4 : 2);
    EXPECT_EQ(VersionOf(s), c.version) << (c.puts.empty() ? 0 : c.puts[0].at);
  }
}

TEST(PeFileVersion, LoadsLocalAndMappedWindowsPaths) {
  SKIP_IN_WINDOWS_BUILD("the system reads file versions there (GetFileVersionInfoW)");
  testing::TempDir dir;
  dir.Write("Windows/system32/ODBCJT32.DLL", PeBuilder().Build());
  auto drives = std::make_shared<DriveMap>(std::map<char, std::string>{{'C', dir.path()}});
  PeFileVersionInfo info(drives);

  EXPECT_TRUE(info.Load("c:\\WINDOWS\\System32\\odbcjt32.dll"));
  EXPECT_EQ(info.GetVersion().text, "4.0.6019.0");
  EXPECT_EQ(info.GetVersion().productText, "4.0.6019.0");

  EXPECT_TRUE(info.Load(dir.File("Windows/system32/ODBCJT32.DLL")));
  EXPECT_EQ(info.GetVersion().text, "4.0.6019.0");

  EXPECT_FALSE(info.Load("D:\\Windows\\System32\\odbcjt32.dll"));  // unmapped drive
  EXPECT_EQ(info.GetVersion().text, "");
  EXPECT_FALSE(info.Load("C:\\Windows\\System32\\missing.dll"));
  EXPECT_FALSE(info.Load(dir.path()));  // a folder
  EXPECT_FALSE(info.Load("relative\\odbcjt32.dll"));
  EXPECT_EQ(info.GetVersion().text, "");
}

// Its refusals, each naming the file and the step, are ReplaceFile's, which it calls.
TEST(AtomicFile, ReplacesTheFileKeepingItsModeAndLeavesNothingBeside) {
  struct Row {
    const char* name;
    int mode;  // of the file that is there; -1: none; -2: a symbolic link (replaced, not followed)
    unsigned expected;
  };
  for (const Row& row : {Row{"new", -1, 0644}, Row{"kept", 0600, 0600}, Row{"wide", 0664, 0664},
                         Row{"link", -2, 0644}}) {
    SCOPED_TRACE(row.name);
    if (row.mode == -2 && testing::WindowsBuild()) continue;  // links are POSIX's
    testing::TempDir dir;
    if (row.mode == -2) {
      std::filesystem::create_symlink("elsewhere.json", dir.File("r.json"));
    } else if (row.mode >= 0) {
      dir.Write("r.json", "old");
      ::chmod(dir.File("r.json").c_str(), static_cast<mode_t>(row.mode));
    }
    ReplaceFileAtomically(dir.File("r.json"), "new text");
    EXPECT_EQ(testing::ReadFile(dir.File("r.json")), "new text");
    if (!testing::WindowsBuild()) {  // files have no POSIX mode there
      EXPECT_EQ(testing::ModeOf(dir.File("r.json")), row.expected);
    }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"r.json"});
  }
}

}  // namespace
}  // namespace lumora
