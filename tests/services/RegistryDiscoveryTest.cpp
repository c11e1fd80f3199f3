// Discovery of registered data sources through the host's registry objects, over registry
// exports that the tests write.
#include <gtest/gtest.h>

#include <cstdlib>

#include "contract/Environment.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/LocalHostLibrary.h"
#include "hostlib/RegFile.h"
#include "services/WizAPI.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

const std::string kKeyPath = "SOFTWARE\\ODBC\\ODBC.INI\\";
const std::string kListKey = "ODBC Data Sources";

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
  void UseRegistry(const std::string& body, std::string failingName = "") {
    std::shared_ptr<const RegistryTree> tree =
        ParseRegFile("Windows Registry Editor Version 5.00\r\n\r\n" + body, "test.reg");
    host.host().registryKey = [tree, failingName]() -> std::shared_ptr<RegistryKey> {
      auto key = std::make_shared<TreeRegistryKey>(tree);
      if (failingName.empty()) return key;
      return std::make_shared<FailingKey>(key, failingName);
    };
    host.host().registryConstants = [] { return std::make_unique<TreeRegistryConstants>(); };
  }
  void Discover(int32_t root) { api.ReadDrvDSNFromReg(root, kKeyPath, kListKey, sources); }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& r : sources) out.push_back(r->Name());
    return out;
  }

  testing::TestHost host;
  WizAPI api;
  DataSources sources;
};

const char* kOrders = R"REG(
[HKEY_CURRENT_USER\SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources]
@="no record for the default value"
"Orders"="Microsoft Access Driver (*.mdb)"
"Pubs"="SQL Server"

[HKEY_CURRENT_USER\SOFTWARE\ODBC\ODBC.INI\Orders]
"Driver"="C:\\Windows\\System32\\odbcjt32.dll"
"DBQ"="C:\\data\\orders.mdb"
@="default values give no line"
"DriverId"=dword:00000019
"Description"="Orders of the year"
"FIL"="MS Access;"
)REG";

TEST_F(RegistryDiscovery, BuildsSortedAttributeLinesWithPathSymbolsAndDriverName) {
  UseRegistry(kOrders);
  Discover(kCurrentUserRoot);
  ASSERT_EQ(Names(), (std::vector<std::string>{"Orders", "Pubs"}));
  const DataSource& orders = *sources.Item(1);
  EXPECT_EQ(orders.AttribsString(),
            "DBQ=C:\\data\\orders.mdb\r\nDescription=Orders of the year\r\n"
            "Driver=<WINSYSDIR>\\odbcjt32.dll\r\nDriverId=25\r\n"
            "DriverName=Microsoft Access Driver (*.mdb)\r\nFIL=MS Access;");
  EXPECT_TRUE(orders.UserDSN());
  EXPECT_FALSE(orders.SystemDSN());
  // Pubs has no key of its own: only its driver's name.
  EXPECT_EQ(sources.Item(2)->AttribsString(), "DriverName=SQL Server");
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(RegistryDiscovery, MachineRootGivesSystemDataSources) {
  UseRegistry(R"REG(
[HKEY_LOCAL_MACHINE\SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources]
"Stock"="Oracle"
[HKEY_LOCAL_MACHINE\SOFTWARE\ODBC\ODBC.INI\Stock]
)REG");
  Discover(kLocalMachineRoot);
  ASSERT_EQ(sources.Count(), 1);
  EXPECT_TRUE(sources.Item(1)->SystemDSN());
  EXPECT_FALSE(sources.Item(1)->UserDSN());
  EXPECT_EQ(sources.Item(1)->AttribsString(), "DriverName=Oracle");
}

TEST_F(RegistryDiscovery, KnownNamesAreSkippedIgnoringCaseAndLeftUntouched) {
  UseRegistry(kOrders);
  auto stored = std::make_shared<DataSource>();
  stored->SetName("orders");
  stored->SetAttribsString("DBQ=stored");
  stored->SetSystemDSN(true);
  stored->SetSelected(true);
  sources.Add(stored);
  Discover(kCurrentUserRoot);
  ASSERT_EQ(Names(), (std::vector<std::string>{"orders", "Pubs"}));
  EXPECT_EQ(stored->AttribsString(), "DBQ=stored");
  EXPECT_TRUE(stored->SystemDSN());
  EXPECT_TRUE(stored->Selected());
}

TEST_F(RegistryDiscovery, UserThenMachineListsANameOfBothOnceAsUser) {
  UseRegistry(R"REG(
[HKEY_CURRENT_USER\SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources]
"Shared"="Driver U"
[HKEY_LOCAL_MACHINE\SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources]
"SHARED"="Driver M"
"MachineOnly"="C:\\Drivers\\odbc.dll"
)REG");
  Discover(kCurrentUserRoot);
  Discover(kLocalMachineRoot);
  ASSERT_EQ(Names(), (std::vector<std::string>{"Shared", "MachineOnly"}));
  EXPECT_TRUE(sources.Item(1)->UserDSN());
  EXPECT_EQ(sources.Item(1)->AttribsString(), "DriverName=Driver U");
  EXPECT_TRUE(sources.Item(2)->SystemDSN());
  // The driver name is never turned into a path symbol, backslash or not.
  host.host().folders.system = "C:\\Drivers\\";
  sources.RemoveAll();
  Discover(kLocalMachineRoot);
  EXPECT_EQ(sources.Item(2)->AttribsString(), "DriverName=C:\\Drivers\\odbc.dll");
}

TEST_F(RegistryDiscovery, MissingOrEmptyListKeyAddsNothing) {
  UseRegistry(R"REG(
[HKEY_LOCAL_MACHINE\SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources]
)REG");
  Discover(kCurrentUserRoot);
  Discover(kLocalMachineRoot);
  EXPECT_EQ(sources.Count(), 0);
  std::vector<std::string> names = {"stale"};
  EXPECT_TRUE(api.EnumValueNames(kLocalMachineRoot, kKeyPath + kListKey, names));
  EXPECT_EQ(names, std::vector<std::string>{""});
  EXPECT_TRUE(api.EnumValueNames(kCurrentUserRoot, kKeyPath + kListKey, names));
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(RegistryDiscovery, EnumValueNamesListsNamesInValueOrder) {
  UseRegistry(kOrders);
  std::vector<std::string> names;
  EXPECT_FALSE(api.EnumValueNames(kCurrentUserRoot, kKeyPath + "Orders", names));
  EXPECT_EQ(names,
            (std::vector<std::string>{"Driver", "DBQ", "", "DriverId", "Description", "FIL"}));
}

TEST_F(RegistryDiscovery, AFailureKeepsTheRecordsAddedSoFar) {
  UseRegistry(R"REG(
[HKEY_CURRENT_USER\SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources]
"A"="Driver A"
"Broken"="Driver B"
"C"="Driver C"
[HKEY_CURRENT_USER\SOFTWARE\ODBC\ODBC.INI\A]
"UID"="sa"
)REG",
              "\\Broken");
  Discover(kCurrentUserRoot);
  ASSERT_EQ(Names(), (std::vector<std::string>{"A", "Broken", "C"}));
  EXPECT_EQ(sources.Item(1)->AttribsString(), "DriverName=Driver A\r\nUID=sa");
  EXPECT_EQ(sources.Item(2)->AttribsString(), "");
  EXPECT_EQ(sources.Item(3)->AttribsString(), "");
  ASSERT_EQ(host.reports().size(), 1u);
  EXPECT_EQ(host.reports()[0].procedure, "WizAPI:ReadDrvDSNFromReg");
  EXPECT_EQ(host.reports()[0].number, 5);
}

TEST_F(RegistryDiscovery, AFailingHostIsReported) {
  host.host().registryConstants = []() -> std::unique_ptr<RegistryConstants> {
    Raise(kObjectNotSet);
  };
  Discover(kCurrentUserRoot);
  EXPECT_EQ(sources.Count(), 0);
  ASSERT_FALSE(host.reports().empty());
  EXPECT_EQ(host.reports().back().procedure, "WizAPI:ReadDrvDSNFromReg");
  EXPECT_EQ(host.reports().back().number, 91);
}

// A Wine prefix made by the real Wine (tests/data/wine), through the command-line host's
// library: its own files, by folder or as the default prefix, in both views.
TEST(RegistryDiscoveryOnAWinePrefix, FindsTheUsersAndTheViewsMachineDataSources) {
  const std::string prefix = "tests/data/wine";
  const struct {
    std::string registry;
    int view;
    std::vector<std::string> names;
  } cases[] = {
      {prefix, 32, {"Orders", "Legacy32"}},
      {prefix, 64, {"Orders", "Native64"}},
      {"wine", 32, {"Orders", "Legacy32"}},  // $WINEPREFIX
  };
  const char* old = std::getenv("WINEPREFIX");
  const std::string saved = old ? old : "";
  ::setenv("WINEPREFIX", prefix.c_str(), 1);
  for (const auto& c : cases) {
    HostSettings settings;
    settings.registry = c.registry;
    settings.registryView = c.view;
    component::Attach(std::make_shared<LocalHostLibrary>(settings), ".");
    WizAPI api;
    DataSources sources;
    api.ReadDrvDSNFromReg(kCurrentUserRoot, kKeyPath, kListKey, sources);
    api.ReadDrvDSNFromReg(kLocalMachineRoot, kKeyPath, kListKey, sources);
    component::Detach();
    std::vector<std::string> names;
    for (const auto& r : sources) names.push_back(r->Name());
    EXPECT_EQ(names, c.names) << c.registry << " " << c.view;
    if (names.empty()) continue;
    EXPECT_EQ(sources.Item(1)->AttribsString(),
              "DBQ=%USERPROFILE%\\orders.mdb\r\n"
              "Description=Base de donn\xC3\xA9"
              "es \"caf\xC3\xA9\" \xE2\x80\x93 \xE2\x98\x95\r\n"
              "Driver=<WINSYSDIR>\\odbcjt32.dll\r\nDriverId=25\r\n"
              "DriverName=Desktop Driver (*.mdb)\r\nFlags=01,ff,7f\r\nServers=alpha");
  }
  if (old)
    ::setenv("WINEPREFIX", saved.c_str(), 1);
  else
    ::unsetenv("WINEPREFIX");
}

}  // namespace
}  // namespace lumora
