// Real paths in the six well-known folders become path symbols.
#include <gtest/gtest.h>

#include "services/WizAPI.h"
#include "support/Records.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

// The default folders nest: System32 inside Windows, Common Files\System inside Common Files
// inside Program Files, and DAO inside Common Files; the first row that matches wins. A case sets
// at most one folder, after the defaults: "dao", "system" or "windows+system". The system folder's
// symbol, and a path in no folder, are RegistryDiscovery's on a data source's lines.
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

}  // namespace
}  // namespace lumora
