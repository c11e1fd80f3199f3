// The 16-bit limits of discovery: a list key with more values than a 16-bit counter can reach.
#include <gtest/gtest.h>

#include "hostlib/HostRegistry.h"
#include "hostlib/RegistryTree.h"
#include "services/WizAPI.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

// A machine whose user list key holds `count` data sources, each with one value of its own.
std::shared_ptr<const RegistryTree> ManyDataSources(int count) {
  auto tree = std::make_shared<RegistryTree>();
  RegistryTreeKey& odbc =
      tree->Root(kCurrentUserRoot).ChildOrNew("SOFTWARE").ChildOrNew("ODBC").ChildOrNew("ODBC.INI");
  RegistryTreeKey& list = odbc.ChildOrNew("ODBC Data Sources");
  for (int i = 0; i < count; ++i) {
    const std::string name = "Source" + std::to_string(i);
    list.SetValue(name, Value::String("SQL Server"));
    odbc.ChildOrNew(name).SetValue("Server", Value::String("db" + std::to_string(i)));
  }
  return tree;
}

class DiscoveryLimits : public ::testing::Test {
 protected:
  void Use(std::shared_ptr<const RegistryTree> tree) {
    host.host().registryKey = [tree] { return std::make_shared<TreeRegistryKey>(tree); };
    host.host().registryConstants = [] { return std::make_unique<TreeRegistryConstants>(); };
  }
  testing::TestHost host;
  WizAPI api;
  DataSources sources;
};

TEST_F(DiscoveryLimits, ThirtyTwoThousandSevenHundredSixtySevenValuesAreAllRead) {
  Use(ManyDataSources(32767));
  api.ReadDrvDSNFromReg(kCurrentUserRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                        sources);
  EXPECT_TRUE(host.reports().empty());
  ASSERT_EQ(sources.Count(), 32767);
  EXPECT_EQ(sources.Item(32767)->AttribsString(), "DriverName=SQL Server\r\nServer=db32766");
}

TEST_F(DiscoveryLimits, MoreValuesThanSixteenBitsOverflowAndAddNothing) {
  Use(ManyDataSources(40000));
  std::vector<std::string> names;
  EXPECT_TRUE(
      api.EnumValueNames(kCurrentUserRoot, "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources", names));
  EXPECT_EQ(names, std::vector<std::string>{""}) << "the bound overflows before any name is read";
  ASSERT_EQ(host.reports().size(), 1u);
  EXPECT_EQ(host.reports()[0].number, 6);
  EXPECT_EQ(host.reports()[0].procedure, "WizAPI:EnumValueNames");

  api.ReadDrvDSNFromReg(kCurrentUserRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                        sources);
  EXPECT_EQ(sources.Count(), 0);
}

}  // namespace
}  // namespace lumora
