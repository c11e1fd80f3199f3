// Discovery of registered data sources through the host's registry objects, over registry
// exports under tests/data/registry, and against unixODBC itself: data sources registered with
// `odbcinst -i`, and user and system files written by hand in every awkward layout, are found
// exactly as `odbcinst -q -s` lists them, with the entries `odbcinst -q -s -n` gives. Then the
// path symbols that real paths in the six well-known folders become, in a data source's lines
// and wherever else the wizard stores a path; and the sort of those lines: ordinal order, ranges,
// duplicates and the 16-bit limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "contract/ProcessState.h"
#include "contract/Text.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/LocalHostLibrary.h"
#include "hostlib/RegFile.h"
#include "hostlib/RegistryTree.h"
#include "services/SortArrays.h"
#include "services/WizAPI.h"
#include "support/Platform.h"
#include "support/Records.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

const std::string kKeyPath = "SOFTWARE\\ODBC\\ODBC.INI\\";
const std::string kListKey = "ODBC Data Sources";
using Strings = std::vector<std::string>;
using testing::Describe;

// A registry key that fails when asked to open a path ending in `failingName`.
class FailingKey : public RegistryKey {
 public:
  FailingKey(std::shared_ptr<RegistryKey> inner, std::string failingName)
      : inner_(std::move(inner)), failingName_(std::move(failingName)) {}
  std::shared_ptr<RegistryValues> Values() override { return inner_->Values(); }
  void SetRoot(int32_t root) override { inner_->SetRoot(root); }
  std::shared_ptr<RegistryKey> OpenSubKey(const std::string& path, int32_t& access) override {
    if (path.ends_with(failingName_)) throw Failure(5, "access denied", "registry");
    return inner_->OpenSubKey(path, access);
  }

 private:
  std::shared_ptr<RegistryKey> inner_;
  std::string failingName_;
};

class RegistryDiscovery : public ::testing::Test {
 protected:
  void UseRegistryFile(const std::string& path, std::string failingName = "") {
    Use(ParseRegFile(testing::ReadFile(path), path), failingName);
  }
  void Use(std::shared_ptr<const RegistryTree> tree, std::string failingName = "") {
    host.host().registryKey = [tree, failingName]() -> std::shared_ptr<RegistryKey> {
      auto key = std::make_shared<TreeRegistryKey>(tree);
      if (failingName.empty()) return key;
      return std::make_shared<FailingKey>(key, failingName);
    };
    host.host().registryConstants = [] { return std::make_unique<TreeRegistryConstants>(); };
  }
  void Discover(int32_t root) { api.ReadDrvDSNFromReg(root, kKeyPath, kListKey, sources); }

  testing::TestHost host;
  WizAPI api;
  DataSources sources;
};

// Orders with its attributes, Pubs with a driver name only, Known, and a default value.
const std::string kOrders = "tests/data/registry/orders.reg";

// Pubs has no key of its own: only its driver's name. A name already held, ignoring case, is
// skipped and the held record left as it was.
TEST_F(RegistryDiscovery, BuildsSortedAttributeLinesWithPathSymbolsAndDriverName) {
  UseRegistryFile(kOrders);
  sources.Add(testing::MakeSource("KNOWN", "Server=stored", true, true, false));
  Discover(kCurrentUserRoot);
  EXPECT_EQ(Describe(sources),
            (Strings{"KNOWN | Server=stored selected system",
                     "Orders | DBQ=C:\\data\\orders.mdb\r\nDescription=Orders of the year\r\n"
                     "Driver=<WINSYSDIR>\\odbcjt32.dll\r\nDriverId=25\r\n"
                     "DriverName=Microsoft Access Driver (*.mdb)\r\nFIL=MS Access; user",
                     "Pubs | DriverName=SQL Server user"}));
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(RegistryDiscovery, UserThenMachineListsANameOfBothOnceAsUser) {
  UseRegistryFile("tests/data/registry/user-and-machine.reg");
  // The driver name is never turned into a path symbol, backslash or not.
  host.host().folders.system = "C:\\Drivers\\";
  Discover(kCurrentUserRoot);
  Discover(kLocalMachineRoot);
  EXPECT_EQ(Describe(sources), (Strings{"Shared | DriverName=Driver U user",
                                        "MachineOnly | DriverName=C:\\Drivers\\odbc.dll system"}));
}

TEST_F(RegistryDiscovery, MissingOrEmptyListKeyAddsNothingAndNamesComeInValueOrder) {
  UseRegistryFile("tests/data/registry/empty-list.reg");
  Discover(kCurrentUserRoot);
  Discover(kLocalMachineRoot);
  EXPECT_EQ(sources.Count(), 0);
  std::vector<std::string> names = {"stale"};
  EXPECT_TRUE(api.EnumValueNames(kLocalMachineRoot, kKeyPath + kListKey, names));
  EXPECT_EQ(names, std::vector<std::string>{""});
  EXPECT_TRUE(api.EnumValueNames(kCurrentUserRoot, kKeyPath + kListKey, names));
  // A key with values lists their names in value order, the default value as "".
  UseRegistryFile(kOrders);
  EXPECT_FALSE(api.EnumValueNames(kCurrentUserRoot, kKeyPath + "Orders", names));
  EXPECT_EQ(names, (Strings{"Driver", "DBQ", "", "DriverId", "Description", "FIL"}));
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(RegistryDiscovery, AFailureKeepsTheRecordsAddedSoFar) {
  UseRegistryFile("tests/data/registry/three-sources.reg", "\\Broken");
  Discover(kCurrentUserRoot);
  EXPECT_EQ(Describe(sources),
            (Strings{"A | DriverName=Driver A\r\nUID=sa user", "Broken |  user", "C |  user"}));
  EXPECT_EQ(testing::Reported(host), std::vector<std::string>{"WizAPI:ReadDrvDSNFromReg 5"});
}

TEST_F(RegistryDiscovery, AFailingHostIsReported) {
  host.host().registryConstants = []() -> std::unique_ptr<RegistryConstants> {
    Raise(kObjectNotSet);
  };
  Discover(kCurrentUserRoot);
  EXPECT_EQ(sources.Count(), 0);
  EXPECT_EQ(testing::Reported(host), std::vector<std::string>{"WizAPI:ReadDrvDSNFromReg 91"});
}

// A machine whose user list key holds `count` data sources, each with one value of its own.
std::shared_ptr<const RegistryTree> ManyDataSources(int count) {
  auto tree = std::make_shared<RegistryTree>();
  RegistryTreeKey& odbc =
      tree->Root(kCurrentUserRoot).ChildOrNew("SOFTWARE").ChildOrNew("ODBC").ChildOrNew("ODBC.INI");
  RegistryTreeKey& list = odbc.ChildOrNew(kListKey);
  for (int i = 0; i < count; ++i) {
    const std::string name = "Source" + std::to_string(i);
    list.SetValue(name, Value::String("SQL Server"));
    odbc.ChildOrNew(name).SetValue("Server", Value::String("db" + std::to_string(i)));
  }
  return tree;
}

// 32767 values are all read; with more the 16-bit bound overflows before any name is read.
TEST_F(RegistryDiscovery, AListKeyHoldsAtMost32767Values) {
  Use(ManyDataSources(32767));
  Discover(kCurrentUserRoot);
  ASSERT_EQ(sources.Count(), 32767);
  EXPECT_EQ(sources.Item(32767)->AttribsString(), "DriverName=SQL Server\r\nServer=db32766");
  EXPECT_TRUE(host.reports().empty());
  Use(ManyDataSources(40000));
  std::vector<std::string> names;
  EXPECT_TRUE(api.EnumValueNames(kCurrentUserRoot, kKeyPath + kListKey, names));
  EXPECT_EQ(names, std::vector<std::string>{""});
  sources.RemoveAll();
  Discover(kCurrentUserRoot);
  EXPECT_EQ(sources.Count(), 0);
  EXPECT_EQ(testing::Reported(host),
            (Strings{"WizAPI:EnumValueNames 6", "WizAPI:EnumValueNames 6"}));
}

using testing::Lines;
using testing::RunProcess;
using testing::ScopedEnv;
using testing::Shell;

// The data-source names odbcinst lists ([ODBC] holds settings, not a data source), each
// decoded as its file is (odbcinst prints the bytes as they are); a name it lists again in
// another case is the first one, which -n and a connection find.
std::vector<std::string> ListedNames() {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const std::string& line : Lines(Shell("odbcinst -q -s 2>/dev/null || true"))) {
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      std::string name = DecodeText8(line.substr(1, line.size() - 2));
      if (name != "ODBC" && seen.insert(UCase(name)).second) names.push_back(name);
    }
  }
  return names;
}

// What the wizard discovers with the unixodbc source into `sources`: user data sources, then
// system.
void Discover(const std::string& componentDir, DataSources& sources) {
  component::Attach(std::make_shared<LocalHostLibrary>(HostSettings{}), componentDir);
  for (int32_t root : {kCurrentUserRoot, kLocalMachineRoot}) {
    WizAPI().ReadDrvDSNFromReg(root, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources", sources);
  }
  component::Detach();
}

// The attribute text the wizard should build from odbcinst's view of one data source: its
// entries plus DriverName=<its Driver>, sorted byte-wise, joined by CR LF. odbcinst fails on a
// section without entries, which gives the DriverName line alone.
std::string ExpectedAttributes(const std::string& name) {
  std::vector<std::string> lines;
  std::string driver;
  auto r = RunProcess("/bin/sh", {"-c", "odbcinst -q -s -n '" + name + "'"});
  std::set<std::string> keys;  // a key repeated in another case: -n prints the first value again
  for (const std::string& line : Lines(r.exitStatus == 0 ? r.out : "")) {
    if (line.empty() || line.front() == '[' ||
        !keys.insert(UCase(line.substr(0, line.find('=')))).second)
      continue;
    if (line.rfind("Driver=", 0) == 0) driver = line.substr(7);
    lines.push_back(line);
  }
  lines.push_back("DriverName=" + driver);
  std::sort(lines.begin(), lines.end());
  std::string joined;
  for (const std::string& l : lines) joined += (joined.empty() ? "" : "\r\n") + l;
  return joined;
}

// Files written by hand, or registered with `odbcinst -i` from templates, user and system side,
// each compared with what odbcinst lists from the very same files. Each folder under
// tests/data/unixodbc/layouts holds the user file (user.ini) and the system file (odbc.ini), or
// the templates odbcinst registers (user.tpl, system.tpl), a file left out where the layout has
// none; and in `listed`, after comments saying what the layout shows, the data sources both must
// list, "user NAME" or "system NAME" a line. How one file is read on its own (comments, stray
// lines, byte-order marks, encodings, [ODBC]) is the registry reader's own test.
TEST(UnixOdbcDiscovery, ListsWhatOdbcinstListsForEveryFileLayout) {
  SKIP_IN_WINDOWS_BUILD("unixODBC, odbcinst and its files belong to the POSIX build");
  SKIP_WITHOUT("odbcinst");
  for (const auto& entry : std::filesystem::directory_iterator("tests/data/unixodbc/layouts")) {
    const std::string layout = entry.path().string();
    SCOPED_TRACE(layout);
    testing::TempDir dir;
    dir.Write("sys/odbcinst.ini", "[Test Driver]\nDescription=test\nDriver=/nonexistent.so\n");
    ScopedEnv env("ODBCINI", dir.File("user.ini").c_str());
    env.Set("ODBCSYSINI", dir.File("sys").c_str());
    for (const auto& [file, to] : {std::pair{"user.ini", "user.ini"},
                                   {"odbc.ini", "sys/odbc.ini"},
                                   {"user.tpl", "user.tpl"},
                                   {"system.tpl", "system.tpl"}}) {
      if (std::filesystem::exists(layout + "/" + file)) {
        dir.Write(to, testing::ReadFile(layout + "/" + file));
      }
    }
    if (std::filesystem::exists(dir.File("user.tpl"))) {
      dir.Write("sys/odbc.ini", "");  // odbcinst -l fails without a system file
      Shell("odbcinst -i -s -h -f '" + dir.File("user.tpl") + "'");
      Shell("odbcinst -i -s -l -f '" + dir.File("system.tpl") + "'");
    }
    DataSources sources;
    Discover(dir.path(), sources);
    std::vector<std::string> names, listed, found;
    for (const std::string& line : Lines(testing::ReadFile(layout + "/listed"))) {
      if (!line.starts_with('#')) listed.push_back(line);
    }
    for (const auto& r : sources) {
      names.push_back(r->Name());
      found.push_back((r->UserDSN() ? "user " : "system ") + r->Name());
      EXPECT_NE(r->UserDSN(), r->SystemDSN()) << r->Name();
      std::string expected = ExpectedAttributes(r->Name());
      const std::string system32 = "=C:\\Windows\\System32\\";
      if (size_t at = expected.find(system32); at != std::string::npos) {
        expected.replace(at, system32.size(), "=<WINSYSDIR>\\");
      }
      EXPECT_EQ(r->AttribsString(), expected) << r->Name();
    }
    EXPECT_EQ(names, ListedNames());
    EXPECT_EQ(found, listed);
  }
}

// The default folders nest: System32 inside Windows, Common Files\System inside Common Files
// inside Program Files, and DAO inside Common Files; the first row that matches wins. A case sets
// at most one folder, after the defaults: "dao", "system" or "windows+system". The system folder's
// symbol, and a path in no folder, are BuildsSortedAttributeLinesWithPathSymbolsAndDriverName's.
TEST(PathSymbols, EachFolderTakesItsSymbolFirstRowWins) {
  const struct {
    const char* folders;
    std::string setting;
    std::string path;
    std::string expected;
  } cases[] = {
      {"", "", "C:\\Windows\\odbc.ini", "<WINDIR>\\odbc.ini"},
      {"", "", "C:\\Program Files\\Common Files\\System\\ado\\msado15.dll",
       "<COMMONFILES>\\System\\ado\\msado15.dll"},
      {"", "", "C:\\Program Files\\Common Files\\x.dll", "<COMMONFILES>\\x.dll"},
      {"", "", "C:\\Program Files\\App\\a.exe", "<PROGRAMFILES>\\App\\a.exe"},
      {"", "", "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\dao360.dll",
       "<COMMONFILES>\\Microsoft Shared\\DAO\\dao360.dll"},
      {"dao", "D:\\DAO\\", "d:\\dao\\dao350.dll", "<DAO>\\dao350.dll"},
      // The prefix ignores case and needs its trailing backslash.
      {"windows+system", "C:\\WIN\\", "c:\\win\\system\\x.dll", "<WINSYSDIR>\\x.dll"},
      {"windows+system", "C:\\WIN\\", "c:\\win\\system", "<WINDIR>\\system"},
      {"system", "C:\\ÄRGER\\", "c:\\ärger\\Straße.dll", "<WINSYSDIR>\\Straße.dll"},
      {"system", "", "E:\\x.dll", "<WINSYSDIR>\\E:\\x.dll"},  // an empty folder matches all
  };
  for (const auto& c : cases) {
    testing::TestHost host;
    const std::string kind = c.folders;
    if (kind == "dao") host.host().folders.dao = c.setting;
    if (kind == "system") host.host().folders.system = c.setting;
    if (kind == "windows+system") {
      host.host().folders.windows = c.setting;
      host.host().folders.system = c.setting + "SYSTEM\\";
    }
    EXPECT_EQ(WizAPI().ConvertPathToBVDestSymbol(c.path), c.expected) << c.path;
    EXPECT_TRUE(host.reports().empty());
  }
}

TEST(PathSymbols, AFailingHostIsReportedAndThePathReturnedUnchanged) {
  testing::TestHost host;
  host.host().systemFolders = []() -> std::unique_ptr<SystemFolders> {
    throw Failure(429, "ActiveX component can't create object", "host");
  };
  EXPECT_EQ(WizAPI().ConvertPathToBVDestSymbol("C:\\Windows\\x"), "C:\\Windows\\x");
  EXPECT_EQ(testing::Reported(host),
            std::vector<std::string>{"WizAPI:ConvertPathToBVDestSymbol 429"});
}

using SortArrays::QuicksortString;

TEST(QuicksortString, SortsTheGivenRangeByteWiseAndReportsOneOutsideTheArray) {
  const struct {
    Strings in;
    int16_t lo, hi;
    Strings expected;
  } cases[] = {
      {{"Setup=", "SQLLevel=", "APILevel="}, 0, 2, {"APILevel=", "SQLLevel=", "Setup="}},
      {{"a", "Z", "DriverName=x", "DriverId=25", "Driver=y", "Description=d", "DBQ=q"},
       0,
       6,
       {"DBQ=q", "Description=d", "Driver=y", "DriverId=25", "DriverName=x", "Z", "a"}},
      {{"only"}, 0, 0, {"only"}},
      {{"c", "b", "a"}, 1, 1, {"c", "b", "a"}},
      {{"c", "b", "a"}, 2, 0, {"c", "b", "a"}},  // hi below lo: nothing to do
      {{"z", "d", "c", "b", "a"}, 1, 3, {"z", "b", "c", "d", "a"}},
      {{"b", "a"}, 0, 5, {"b", "a"}},  // a range outside the array is reported
  };
  for (const auto& c : cases) {
    testing::TestHost host;
    Strings a = c.in;
    QuicksortString(a, c.lo, c.hi);
    EXPECT_EQ(a, c.expected) << c.lo << ".." << c.hi;
    EXPECT_EQ(testing::Reported(host), c.hi < static_cast<int16_t>(c.in.size())
                                           ? Strings{}
                                           : Strings{"SortArrays:QuicksortString 9"});
  }
}

// Many duplicates, and the largest 16-bit range equal, sorted, reversed and shuffled: every
// element kept, and the comparisons within n log n (a quicksort that puts the elements equal to
// its pivot on one side makes n^2 / 2 of them, 5.4e8 at 32,767 equal strings: eight seconds).
TEST(QuicksortString, KeepsEveryElementOfLargeAndRepetitiveArraysInNLogNComparisons) {
  testing::TestHost host;
  std::mt19937 rng(7);
  Strings dups;
  for (int i = 0; i < 2000; ++i) dups.push_back(std::string(1, static_cast<char>('a' + rng() % 3)));
  Strings sorted;
  for (int i = 0; i < 32767; ++i) sorted.push_back("k" + std::to_string(100000 + i));
  Strings shuffled = sorted;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1));
  for (Strings a : {dups, Strings(32767, "DriverName=same"), sorted,
                    Strings(sorted.rbegin(), sorted.rend()), shuffled}) {
    Strings expected = a;
    std::sort(expected.begin(), expected.end());
    int64_t comparisons = 0;
    SortArrays::SortStringRange(a, 0, static_cast<int16_t>(a.size() - 1),
                                [&](const std::string& x, const std::string& y) {
                                  ++comparisons;
                                  return x < y;
                                });
    EXPECT_EQ(a, expected) << a.size();
    EXPECT_LT(comparisons, 4 * 32767 * 15) << a.front();
  }
  EXPECT_TRUE(host.reports().empty());
}

}  // namespace
}  // namespace lumora
