// Registry exports as a registry source: both header forms, encodings, value types,
// continuations, deletions and the errors a malformed file gets. Loading one from a file, and a
// file that cannot be read, are played end to end (the Wine export cases, HostSettingsCommandTest;
// a folder or a device is refused as every input file is, in FaultsTest).
#include <gtest/gtest.h>

#include "contract/HostError.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/RegFile.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

// name=data lines of the key at `path` below `root`, in value order; "<missing>" without key.
std::vector<std::string> ValuesOf(const std::shared_ptr<RegistryTree>& tree, int32_t root,
                                  const std::string& path) {
  TreeRegistryKey key(tree);
  key.SetRoot(root);
  int32_t access = kKeyReadAccess;
  auto opened = key.OpenSubKey(path, access);
  if (!opened) return {"<missing>"};
  std::vector<std::string> out;
  auto values = opened->Values();
  for (int16_t i = 1; i <= values->Count(); ++i) {
    auto v = values->Item(i);
    out.push_back(v->Name() + "=" + v->Data().ToString());
  }
  return out;
}

using Lines = std::vector<std::string>;

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

TEST(RegFile, Regedit4ValuesInFileOrderWithEveryType) {
  const std::string file = "tests/data/registry/every-type.reg";
  auto tree = ParseRegFile(testing::ReadFile(file), file);
  EXPECT_EQ(ValuesOf(tree, kLocalMachineRoot, "software\\odbc\\odbc.ini\\ORDERS"),
            (Lines{"Driver=replaced in place", "Quote \"q\"=a \"b\"", "=default", "DriverId=25",
                   "Big=4294967295", "Path=%SystemRoot%", "Multi=a", "Bin=01,0a,ff", "Q=1"}));
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

// Unknown value data and a Wine registry file given as an export are refused end to end
// (HostSettingsCommandTest).
TEST(RegFile, MalformedFilesNameTheFileAndLine) {
  struct Case {
    std::string text;
    int line;
    std::string says;
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
  };
  for (const Case& c : cases) {
    const std::string what = RefusalOf(c.text);
    EXPECT_EQ(what.rfind("dir/bad.reg:" + std::to_string(c.line) + ": ", 0), 0u) << what;
    EXPECT_NE(what.find(c.says), std::string::npos) << what;
  }
  // 511 levels are read; empty components do not count ("\\\\" is one separator).
  auto tree = ParseRegFile("REGEDIT4\n[" + KeyPath(511) + "\\\\last]\n\"v\"=\"1\"\n", "deep.reg");
  EXPECT_EQ(ValuesOf(tree, kCurrentUserRoot, KeyPath(511).substr(18) + "\\last"), Lines{"v=1"});
}

}  // namespace
}  // namespace lumora
