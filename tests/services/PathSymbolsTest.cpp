// Real paths in the six well-known folders become path symbols.
#include <gtest/gtest.h>

#include "services/WizAPI.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

class PathSymbols : public ::testing::Test {
 protected:
  std::string Convert(const std::string& path) { return api.ConvertPathToBVDestSymbol(path); }
  testing::TestHost host;
  WizAPI api;
};

TEST_F(PathSymbols, EachFolderTakesItsSymbolFirstRowWins) {
  // The defaults nest: System32 inside Windows, Common Files\System inside Common Files inside
  // Program Files, and DAO inside Common Files.
  EXPECT_EQ(Convert("C:\\Windows\\System32\\odbcjt32.dll"), "<WINSYSDIR>\\odbcjt32.dll");
  EXPECT_EQ(Convert("C:\\Windows\\odbc.ini"), "<WINDIR>\\odbc.ini");
  EXPECT_EQ(Convert("C:\\Program Files\\Common Files\\System\\ado\\msado15.dll"),
            "<COMMONFILES>\\System\\ado\\msado15.dll");
  EXPECT_EQ(Convert("C:\\Program Files\\Common Files\\x.dll"), "<COMMONFILES>\\x.dll");
  EXPECT_EQ(Convert("C:\\Program Files\\App\\a.exe"), "<PROGRAMFILES>\\App\\a.exe");
  EXPECT_EQ(Convert("C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\dao360.dll"),
            "<COMMONFILES>\\Microsoft Shared\\DAO\\dao360.dll");
  EXPECT_EQ(Convert("C:\\data\\orders.mdb"), "C:\\data\\orders.mdb");
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(PathSymbols, DaoRowAppliesWhenItsFolderIsElsewhere) {
  host.host().folders.dao = "D:\\DAO\\";
  EXPECT_EQ(Convert("d:\\dao\\dao350.dll"), "<DAO>\\dao350.dll");
}

TEST_F(PathSymbols, PrefixIgnoresCaseAndNeedsTheTrailingBackslash) {
  host.host().folders.system = "C:\\WIN\\SYSTEM\\";
  host.host().folders.windows = "C:\\WIN\\";
  EXPECT_EQ(Convert("c:\\win\\system\\x.dll"), "<WINSYSDIR>\\x.dll");
  // The folder itself without its backslash is not inside the system folder.
  EXPECT_EQ(Convert("c:\\win\\system"), "<WINDIR>\\system");
}

TEST_F(PathSymbols, KeepsTheOriginalSpellingOfTheRest) {
  host.host().folders.system = "C:\\ÄRGER\\";
  EXPECT_EQ(Convert("c:\\ärger\\Straße.dll"), "<WINSYSDIR>\\Straße.dll");
}

TEST_F(PathSymbols, AnEmptyFolderMatchesEveryPath) {
  host.host().folders.system = "";
  EXPECT_EQ(Convert("E:\\x.dll"), "<WINSYSDIR>\\E:\\x.dll");
}

TEST_F(PathSymbols, AFailingHostIsReportedAndThePathReturnedUnchanged) {
  host.host().systemFolders = []() -> std::unique_ptr<SystemFolders> {
    throw Failure(429, "ActiveX component can't create object", "host");
  };
  EXPECT_EQ(Convert("C:\\Windows\\x"), "C:\\Windows\\x");
  ASSERT_EQ(host.reports().size(), 1u);
  EXPECT_EQ(host.reports()[0].procedure, "WizAPI:ConvertPathToBVDestSymbol");
  EXPECT_EQ(host.reports()[0].number, 429);
}

}  // namespace
}  // namespace lumora
