// The registry sources, each read into the same key tree: registry exports (both header forms,
// encodings, value types, continuations, deletions and the errors a malformed file gets); a Wine
// prefix's own registry files, made by the real Wine (scripts/make-wine-fixtures.sh), read
// directly and through the exports Wine's regedit made of the same keys; and unixODBC's
// data-source files, and where they are found. Loading an export from a file, and a file that
// cannot be read, are played end to end (the Wine export cases, HostSettingsCommandTest; a folder
// or a device is refused as every input file is, in FaultsTest).
#include <gtest/gtest.h>

#include "contract/HostError.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/RegFile.h"
#include "hostlib/UnixOdbcRegistry.h"
#include "hostlib/WineRegistry.h"
#include "support/Outcome.h"
#include "support/Platform.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using Lines = std::vector<std::string>;

// The values of the key at `path` below `from` as name=data lines, in value order; "<missing>"
// without the key.
Lines ValuesOf(const RegistryTreeKey* from, const std::string& path) {
  const RegistryTreeKey* key = from == nullptr ? nullptr : RegistryTree::Find(from, path);
  if (key == nullptr) return {"<missing>"};
  Lines out;
  for (const auto& v : key->values()) out.push_back(v.name + "=" + v.data.ToString());
  return out;
}
Lines ValuesOf(const RegistryTreeKey& from, const std::string& path) {
  return ValuesOf(&from, path);
}
Lines ValuesOf(const std::shared_ptr<RegistryTree>& tree, int32_t root, const std::string& path) {
  return ValuesOf(tree->FindRoot(root), path);
}

// HKEY_CURRENT_USER and `levels` keys below it.
std::string KeyPath(size_t levels) {
  std::string path = "HKEY_CURRENT_USER";
  for (size_t i = 0; i < levels; ++i) path += "\\k";
  return path;
}

// The message a refused export gets, or "accepted".
std::string RefusalOf(const std::string& text, const std::string& name = "dir/bad.reg") {
  return testing::MessageOf<HostError>([&] { ParseRegFile(text, name); });
}

// Every value type of an export, in file order; a REG_DWORD written as bytes (hex(4)) is
// little-endian, and root key names match ignoring case.
TEST(RegFile, Regedit4ValuesInFileOrderWithEveryType) {
  const std::string file = "tests/data/registry/every-type.reg";
  auto tree = ParseRegFile(testing::ReadFile(file), file);
  EXPECT_EQ(ValuesOf(tree, kLocalMachineRoot, "software\\odbc\\odbc.ini\\ORDERS"),
            (Lines{"Driver=replaced in place", "Quote \"q\"=a \"b\"", "=default", "DriverId=25",
                   "Big=4294967295", "Path=%SystemRoot%", "Multi=a", "Bin=01,0a,ff", "Q=1", "Dw=1",
                   "Lower=under a lower-case root"}));
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "SOFTWARE"), Lines{"<missing>"});
}

// REGEDIT4 is in the ANSI code page (Windows-1252), even where its bytes would be valid UTF-8;
// an 8-bit version 5 export is UTF-8 when it is valid UTF-8; a UTF-16 one stores its hex text
// types as UTF-16 too.
TEST(RegFile, TextIsDecodedByItsHeader) {
  const std::pair<std::string, Lines> cases[] = {
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"Caf\xE9\"=\"\x80\"\n", {"Caf\xC3\xA9=\xE2\x82\xAC"}},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"Caf\xC3\xA9\"=\"x\"\n", {"Caf\xC3\x83\xC2\xA9=x"}},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n\"Caf\xC3\xA9\"=\"x\"\n",
       {"Caf\xC3\xA9=x"}},
      {testing::ReadFile("tests/data/registry/utf16-text-types.reg"),
       {"E=%S", "M=a", "\xC3\xA9=\xD0\xBA"}},
  };
  for (const auto& [file, lines] : cases) {
    EXPECT_EQ(ValuesOf(ParseRegFile(file, "a.reg"), kCurrentUserRoot, "K"), lines) << file;
  }
}

// Exports joined with cat read as one, each part in its own encoding; a UTF-8 byte-order mark
// before Windows-1252 text is skipped and the text decoded.
TEST(RegFile, JoinedExportsReadAsOne) {
  // Two UTF-16 exports, one REGEDIT4 export in Windows-1252 and one behind a UTF-8 mark.
  const auto part = [](const char* name) {
    return testing::ReadFile("tests/data/registry/joined/" + std::string(name) + ".reg");
  };
  const std::string user = part("user"), machine = part("machine"), ansi = part("ansi"),
                    bom = part("bom");
  for (const std::string& joined :
       {user + machine + ansi + bom, ansi + user + bom + machine, bom + ansi + user + machine}) {
    auto tree = ParseRegFile(joined, "both.reg");
    EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "Software\\U"), Lines{"a=1"});
    EXPECT_EQ(ValuesOf(tree, kLocalMachineRoot, "Software\\M"), Lines{"b=2"});
    EXPECT_EQ(ValuesOf(tree, kLocalMachineRoot, "Software\\A"), Lines{"c=caf\xC3\xA9"});
    EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "Software\\B"), Lines{"d=na\xC3\xAFve"});
  }
  // A value line after the next header belongs to no key until a key line comes.
  EXPECT_NE(RefusalOf("REGEDIT4\n[HKEY_CURRENT_USER\\K]\nREGEDIT4\n\"v\"=\"1\"\n"), "accepted");
}

// An export of everything keeps the user's keys under HKEY_USERS: the one real user's tree is
// the current user; the system's own accounts and the _Classes trees do not count.
TEST(RegFile, TheSingleUserUnderHkeyUsersIsTheCurrentUser) {
  const std::string others =
      "[HKEY_USERS\\.DEFAULT\\K]\n\"v\"=\"default\"\n"
      "[HKEY_USERS\\S-1-5-18\\K]\n\"v\"=\"system\"\n"
      "[HKEY_USERS\\S-1-5-21-1-2-3-1000_Classes\\K]\n\"v\"=\"classes\"\n";
  auto tree = ParseRegFile(
      "REGEDIT4\n" + others + "[HKEY_USERS\\S-1-5-21-1-2-3-1000\\K]\n\"v\"=\"me\"\n", "all.reg");
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "K"), Lines{"v=me"});

  // With HKEY_CURRENT_USER keys present, HKEY_USERS stays what it is.
  tree = ParseRegFile(
      "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"current\"\n"
      "[HKEY_USERS\\S-1-5-21-1-2-3-1000\\K]\n\"v\"=\"me\"\n",
      "all.reg");
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "K"), Lines{"v=current"});

  const std::string several = RefusalOf(
      "REGEDIT4\n[HKEY_USERS\\S-1-5-21-1-2-3-1000\\K]\n[HKEY_USERS\\S-1-5-21-1-2-3-1001\\K]\n",
      "all.reg");
  EXPECT_EQ(several.rfind("all.reg:3: ", 0), 0u) << several;
  EXPECT_NE(several.find("(S-1-5-21-1-2-3-1000, S-1-5-21-1-2-3-1001)"), std::string::npos);
}

// A 32-bit program reads the machine's ODBC keys under Wow6432Node when the registry has it
// (played end to end on Wine's exports in both views, the user's keys unchanged). Without
// Wow6432Node the machine is a 32-bit one: its keys are the view.
TEST(RegFile, WithoutWow6432NodeTheThirtyTwoBitViewIsTheMachinesOwn) {
  auto tree = ParseRegFile(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBC.INI\\Native]\n\"v\"=\"64\"\n",
      "view.reg");
  UseRegistryView(*tree, 32);
  EXPECT_EQ(ValuesOf(tree, kLocalMachineRoot, "Software\\ODBC\\ODBC.INI\\Native"), Lines{"v=64"});
}

TEST(RegFile, DeletionsRemoveKeysWithSubtreesAndSingleValues) {
  const std::string file = "tests/data/registry/deletions.reg";
  auto tree = ParseRegFile(testing::ReadFile(file), file);
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "A\\B\\C"), Lines{"<missing>"});
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "A\\B"), Lines{"<missing>"});
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, "A\\D"), (Lines{"keep=1", "last=3"}));
}

// A key path of `levels` keys as Wine writes it (each separator an escaped backslash).
std::string DeepPath(size_t levels) {
  std::string path = "k";
  for (size_t i = 1; i < levels; ++i) path += "\\\\k";
  return path;
}

// The exports, and a Wine prefix's own registry files (rows marked wine). Unknown value data, a
// Wine registry file given as an export, and a prefix without registry files are refused end to
// end (HostSettingsCommandTest).
TEST(RegFile, MalformedExportsAndWineFilesNameTheFileAndLine) {
  const std::string prefix = "WINE REGISTRY Version 2\n";
  struct Case {
    std::string text;
    int line;
    std::string says;
    bool wine = false;
  };
  const std::vector<Case> cases = {
      {"", 1, "empty"},
      {"\n\nREGEDIT5\n", 3, "not a registry export"},
      {"REGEDIT4\n\"v\"=\"1\"\n", 2, "before the first [key]"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K\n", 2, "closing ]"},
      {"REGEDIT4\n[ HKEY_CURRENT_USER\\K]\n", 2, "without a key name"},
      {"REGEDIT4\n[HKEY_NOWHERE\\K]\n", 2, "unknown root key \"HKEY_NOWHERE\""},
      {"REGEDIT4\n[-HKEY_CURRENT_USER]\n", 2, "root key cannot be deleted"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"open\n", 3, "unterminated string"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\" \"1\"\n", 3, "= expected"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"1\" junk\n", 3, "unexpected text"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:123456789\n", 3, "more than 8"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:\n", 3, "without hex digits"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=hex:01,zz\n", 3, "malformed hex byte list"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=hex(x):01\n", 3, "malformed hex(N)"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=hex:01,\\\n", 3, "ends inside"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=hex:01,\\\n02,\\\n\n", 5, "ends inside"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"ok\"=\"1\"\nv=1\n", 4, "unexpected line"},
      // Deeper trees would be torn down one stack frame per level; the platform stops at 512.
      {"REGEDIT4\n\n[" + KeyPath(513) + "]\n", 3, "key path deeper than 512 levels"},
      {"REGEDIT4\n\n[-" + KeyPath(100000) + "]\n", 3, "key path deeper than 512 levels"},
      {"REGEDIT4\n", 1, "not a Wine registry file", true},
      {prefix + "\"v\"=\"1\"\n", 2, "before the first [key]", true},
      {prefix + "[K\n", 2, "a ] is missing", true},
      {prefix + "[K] 1\n\"v\"=\"open\n", 3, "closing \" is missing", true},
      {prefix + "[K] 1\n\"v\"=dword:\n", 3, "without hex digits", true},
      {prefix + "[K] 1\n\"v\"=hex:0z\n", 3, "malformed hex byte list", true},
      {prefix + "[K] 1\n\"v\"=hex:01,\\\n", 3, "ends inside", true},
      {prefix + "[K] 1\n\"v\"=str(x):\"a\"\n", 3, "malformed (N) type", true},
      {prefix + "[K] 1\n\"v\"=qword:1\n", 3, "unknown value data", true},
      {prefix + "[K] 1\nv=1\n", 3, "unexpected line", true},
      {prefix + "\n[" + DeepPath(513) + "]\n", 3, "deeper than 512", true},
  };
  for (const Case& c : cases) {
    RegistryTreeKey root("");
    const std::string what =
        c.wine
            ? testing::MessageOf<HostError>([&] { AddWineRegistryFile(c.text, "p/bad.reg", root); })
            : RefusalOf(c.text, "p/bad.reg");
    EXPECT_EQ(what.rfind("p/bad.reg:" + std::to_string(c.line) + ": ", 0), 0u) << what;
    EXPECT_NE(what.find(c.says), std::string::npos) << what;
  }
  // 511 levels are read; empty components do not count ("\\\\" is one separator).
  auto tree = ParseRegFile("REGEDIT4\n[" + KeyPath(511) + "\\\\last]\n\"v\"=\"1\"\n", "deep.reg");
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, KeyPath(511).substr(18) + "\\last"), Lines{"v=1"});
}

const std::string kPrefix = "tests/data/wine";

// Every data-source key below ODBC.INI of one root: "key: name=data" lines, keys by name.
Lines OdbcKeys(const RegistryTree& tree, int32_t root) {
  Lines out;
  const RegistryTreeKey* odbcIni =
      RegistryTree::Find(tree.FindRoot(root), "Software\\ODBC\\ODBC.INI");
  if (odbcIni == nullptr) return out;
  for (const auto& [upper, key] : odbcIni->children()) {
    for (const std::string& value : ValuesOf(*key, "")) out.push_back(key->name() + ": " + value);
  }
  return out;
}

std::shared_ptr<RegistryTree> Exports(const std::vector<std::string>& files) {
  std::string joined;  // as `cat a.reg b.reg > both.reg` makes it
  for (const std::string& f : files) joined += testing::ReadFile(kPrefix + "/" + f);
  return ParseRegFile(joined, "both.reg");
}

// How the host's library is pointed at a prefix is LocalHostLibrary's test; here the prefix's
// keys are compared with the same keys as they come through Wine's exports, joined as a user would
// join them: per root, or the single-file export of everything whose user lies under HKEY_USERS.
TEST(WineRegistry, ThePrefixAndItsExportsGiveTheSameKeysInBothViews) {
  for (int bits : {32, 64}) {
    auto direct = LoadWinePrefixRegistry(kPrefix);
    UseRegistryView(*direct, bits);
    for (const Lines& files :
         {Lines{"hkcu.reg", "hklm.reg", "wow.reg"}, Lines{"wow.reg", "users.reg", "hklm.reg"}}) {
      auto exported = Exports(files);
      UseRegistryView(*exported, bits);
      for (int32_t root : {kCurrentUserRoot, kLocalMachineRoot}) {
        EXPECT_EQ(OdbcKeys(*exported, root), OdbcKeys(*direct, root))
            << bits << "-bit view, root " << root << ", " << files[0];
      }
    }
    EXPECT_FALSE(OdbcKeys(*direct, kLocalMachineRoot).empty());
  }
}

TEST(WineRegistry, EscapesAndValueForms) {
  RegistryTreeKey root("");
  AddWineRegistryFile(testing::ReadFile("tests/data/registry/wine-escapes.reg"), "user.reg", root);
  EXPECT_EQ(ValuesOf(root, "A\\B\xC3\xA9"), (Lines{"t=tab\there \\ \"q\" A\xE2\x98\xBA", "m=first",
                                                   "e=%P%", "q=1", "big=4294967295"}));
}

const std::string kOdbcIni = "SOFTWARE\\ODBC\\ODBC.INI\\";

TEST(UnixOdbcRegistry, SectionsBecomeKeysReadAsUnixOdbcReadsThem) {
  RegistryTreeKey root("");
  const UnixOdbcIni outcome =
      AddOdbcIniToRoot(testing::ReadFile("tests/data/unixodbc/odbc.ini"), root);
  EXPECT_EQ(outcome.ignoredAtLine, 0);
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "Sales"),
            (Lines{"Driver=PostgreSQL", "Description=lots of  space",
                   "Database=C:\\data\\x.mdb ; kept", "Flag="}));
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "OTHER"), Lines{"Server=h"});
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "ODBC"), Lines{"<missing>"});
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "Sales\\2024"), (Lines{"Driver=y", "Database=d"}));
  // Not UTF-8 as a whole: the file is Windows-1252.
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "Caf\xC3\xA9"), Lines{"Description=Base de donn\xC3\xA9"
                                                            "es"});
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "ODBC Data Sources"),
            (Lines{"Sales=PostgreSQL", "Other=", "Sales\\2024=y", "Caf\xC3\xA9="}));
}

// What is read points into the text the result holds, which the bytes given and a move of the
// result leave in place (a file short enough for a string's inline buffer included).
TEST(UnixOdbcRegistry, WhatIsReadOutlivesTheBytesAndMovesWithTheResult) {
  for (const std::string& text :
       {std::string("[a]\nk=v\n"), "[a]\n; " + std::string(64, 'x') + "\nk=v\n"}) {
    std::vector<UnixOdbcIni> kept;
    kept.push_back(ParseUnixOdbcIni(std::string(text), UnixOdbcFileKind::kDataSources));
    kept.reserve(8);  // moves it
    ASSERT_EQ(kept[0].sections.size(), 1u);
    EXPECT_EQ(kept[0].sections[0].name, "a");
    ASSERT_EQ(kept[0].sections[0].entries.size(), 1u);
    EXPECT_EQ(kept[0].sections[0].entries[0].key, "k");
    EXPECT_EQ(kept[0].sections[0].entries[0].value, "v");
  }
}

// A line unixODBC does not accept before the first section makes it ignore the whole file;
// the host is told the file and line once.
TEST(UnixOdbcRegistry, AFileUnixOdbcIgnoresGivesNothingAndOneWarning) {
  const struct {
    std::string text;
    int line;
  } cases[] = {
      {"Driver=x\n[A]\n", 1},
      {"# fine\n\n  [A]\n", 3},
      {"\xEF\xBB\xBF[A]\nDriver=x\n", 1},
      {"; c\r\nstray\r\n[A]\r\n", 2},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    dir.Write("user.ini", c.text);
    dir.Write("odbc.ini", "[Ours]\nDriver=d2\n");
    std::vector<std::string> warnings;
    auto tree = LoadUnixOdbcRegistry({dir.File("user.ini"), dir.File("odbc.ini")},
                                     [&](const std::string& w) { warnings.push_back(w); });
    EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, kOdbcIni + "ODBC Data Sources"), Lines{"<missing>"});
    EXPECT_EQ(ValuesOf(tree, kLocalMachineRoot, kOdbcIni + "ODBC Data Sources"), Lines{"Ours=d2"});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind(dir.File("user.ini") + ":" + std::to_string(c.line) +
                                    ": unixODBC ignores this file",
                                0),
              0u)
        << warnings[0];
  }
}
// The paths `odbcinst -j` prints for user and system data sources.
std::pair<std::string, std::string> OdbcinstPaths() {
  std::string user, system;
  for (const std::string& line : testing::Lines(testing::Shell("odbcinst -j"))) {
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    if (line.rfind("USER DATA SOURCES", 0) == 0) user = line.substr(colon + 2);
    if (line.rfind("SYSTEM DATA SOURCES", 0) == 0) system = line.substr(colon + 2);
  }
  return {user, system};
}

// Where ODBCINI and ODBCSYSINI name them, UnixOdbcDiscovery lists what odbcinst lists.
TEST(UnixOdbcRegistry, FindsTheDefaultFilesWhereOdbcinstDoes) {
  SKIP_IN_WINDOWS_BUILD("unixODBC, odbcinst and its files belong to the POSIX build");
  SKIP_WITHOUT("odbcinst");
  testing::ScopedEnv env("ODBCINI", nullptr);
  env.Set("ODBCSYSINI", nullptr);
  const UnixOdbcFiles files = LocateUnixOdbcFiles();
  EXPECT_EQ(std::make_pair(files.userFile, files.systemFile), OdbcinstPaths());
}

}  // namespace
}  // namespace lumora
