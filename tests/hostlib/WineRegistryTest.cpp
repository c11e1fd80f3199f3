// A Wine prefix's own registry files, made by the real Wine (scripts/make-wine-fixtures.sh),
// read directly and through the exports Wine's regedit made of the same keys.
#include <gtest/gtest.h>

#include "contract/HostError.h"
#include "hostlib/RegFile.h"
#include "hostlib/WineRegistry.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using Lines = std::vector<std::string>;

const std::string kPrefix = "tests/data/wine";

// Every data-source key below ODBC.INI of one root: "key: name=data" lines, keys by name.
Lines OdbcKeys(const RegistryTree& tree, int32_t root) {
  Lines out;
  const RegistryTreeKey* odbcIni =
      RegistryTree::Find(tree.FindRoot(root), "Software\\ODBC\\ODBC.INI");
  if (odbcIni == nullptr) return out;
  for (const auto& [upper, key] : odbcIni->children()) {
    for (const auto& v : key->values()) {
      out.push_back(key->name() + ": " + v.name + "=" + v.data.ToString());
    }
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

// A key path of `levels` keys as Wine writes it (each separator an escaped backslash).
std::string DeepPath(size_t levels) {
  std::string path = "k";
  for (size_t i = 1; i < levels; ++i) path += "\\\\k";
  return path;
}

// A folder without registry files is refused end to end (HostSettingsCommandTest).
TEST(WineRegistry, MalformedFilesNameTheFileAndLine) {
  const struct {
    std::string text;
    int line;
    std::string says;
  } cases[] = {
      {"REGEDIT4\n", 1, "not a Wine registry file"},
      {"WINE REGISTRY Version 2\n\"v\"=\"1\"\n", 2, "before the first [key]"},
      {"WINE REGISTRY Version 2\n[K\n", 2, "a ] is missing"},
      {"WINE REGISTRY Version 2\n[K] 1\n\"v\"=\"open\n", 3, "closing \" is missing"},
      {"WINE REGISTRY Version 2\n[K] 1\n\"v\"=dword:\n", 3, "without hex digits"},
      {"WINE REGISTRY Version 2\n[K] 1\n\"v\"=hex:0z\n", 3, "malformed hex byte list"},
      {"WINE REGISTRY Version 2\n[K] 1\n\"v\"=hex:01,\\\n", 3, "ends inside"},
      {"WINE REGISTRY Version 2\n[K] 1\n\"v\"=str(x):\"a\"\n", 3, "malformed (N) type"},
      {"WINE REGISTRY Version 2\n[K] 1\n\"v\"=qword:1\n", 3, "unknown value data"},
      {"WINE REGISTRY Version 2\n[K] 1\nv=1\n", 3, "unexpected line"},
      {"WINE REGISTRY Version 2\n\n[" + DeepPath(513) + "]\n", 3, "deeper than 512"},
  };
  for (const auto& c : cases) {
    RegistryTreeKey root("");
    const std::string what =
        testing::MessageOf<HostError>([&] { AddWineRegistryFile(c.text, "p/system.reg", root); });
    EXPECT_EQ(what.rfind("p/system.reg:" + std::to_string(c.line) + ": ", 0), 0u) << what;
    EXPECT_NE(what.find(c.says), std::string::npos) << what;
  }
}

TEST(WineRegistry, EscapesAndValueForms) {
  RegistryTreeKey root("");
  AddWineRegistryFile(testing::ReadFile("tests/data/registry/wine-escapes.reg"), "user.reg", root);
  const RegistryTreeKey* key = RegistryTree::Find(&root, "A\\B\xC3\xA9");
  ASSERT_NE(key, nullptr);
  Lines values;
  for (const auto& v : key->values()) values.push_back(v.name + "=" + v.data.ToString());
  EXPECT_EQ(values, (Lines{"t=tab\there \\ \"q\" A\xE2\x98\xBA", "m=first", "e=%P%", "q=1",
                           "big=4294967295"}));
}

}  // namespace
}  // namespace lumora
