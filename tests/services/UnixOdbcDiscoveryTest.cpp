// Discovery against unixODBC itself: data sources registered with odbcinst into private
// files are found exactly as `odbcinst -q -s` lists them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "contract/Environment.h"
#include "hostlib/LocalHostLibrary.h"
#include "services/WizAPI.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::RunProcess;

std::string Shell(const std::string& command) {
  auto r = RunProcess("/bin/sh", {"-c", command});
  EXPECT_EQ(r.exitStatus, 0) << command << "\n" << r.err;
  return r.out;
}

// Sets environment variables for the life of the object.
class ScopedEnv {
 public:
  void Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.push_back({name, old != nullptr, old ? old : ""});
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->had) {
        ::setenv(it->name.c_str(), it->value.c_str(), 1);
      } else {
        ::unsetenv(it->name.c_str());
      }
    }
  }

 private:
  struct Saved {
    std::string name;
    bool had;
    std::string value;
  };
  std::vector<Saved> saved_;
};

// The data-source names odbcinst lists ([ODBC] holds settings, not a data source).
std::vector<std::string> ListedNames() {
  std::vector<std::string> names;
  std::istringstream lines(Shell("odbcinst -q -s"));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      std::string name = line.substr(1, line.size() - 2);
      if (name != "ODBC") names.push_back(name);
    }
  }
  return names;
}

// The attribute text the wizard should build from odbcinst's view of one data source: its
// entries plus DriverName=<its Driver>, sorted byte-wise, joined by CR LF.
std::string ExpectedAttributes(const std::string& name) {
  std::vector<std::string> lines;
  std::string driver;
  std::istringstream out(Shell("odbcinst -q -s -n '" + name + "'"));
  std::string line;
  while (std::getline(out, line)) {
    if (line.empty() || line.front() == '[') continue;
    if (line.rfind("Driver=", 0) == 0) driver = line.substr(7);
    lines.push_back(line);
  }
  lines.push_back("DriverName=" + driver);
  std::sort(lines.begin(), lines.end());
  std::string joined;
  for (const std::string& l : lines) joined += (joined.empty() ? "" : "\r\n") + l;
  return joined;
}

TEST(UnixOdbcDiscovery, FindsWhatOdbcinstListsUserDataSourcesFirst) {
  if (std::system("command -v odbcinst >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "odbcinst is not installed";
  }
  testing::TempDir dir;
  ::mkdir(dir.File("sys").c_str(), 0755);
  dir.Write("sys/odbcinst.ini", "[Lumora Test Driver]\nDescription=test\nDriver=/nonexistent.so\n");
  dir.Write("sys/odbc.ini", "");
  dir.Write("user.tpl",
            "[Orders]\nDriver=Lumora Test Driver\nDescription=Orders of the year\n"
            "DBQ=C:\\data\\orders.mdb\nSetup=C:\\Windows\\System32\\odbcjt32.dll\n\n"
            "[Shared]\nDriver=Lumora Test Driver\nServer=user-side\n\n"
            "[Mixed Case Name]\nDriver=Lumora Test Driver\n");
  dir.Write("system.tpl",
            "[Stock]\nDriver=Lumora Test Driver\nPort=5432\nAPILevel=1\nSQLLevel=1\n\n"
            "[Shared]\nDriver=Lumora Test Driver\nServer=machine-side\n");
  ScopedEnv env;
  env.Set("ODBCINI", dir.File("user.ini"));
  env.Set("ODBCSYSINI", dir.File("sys"));
  Shell("odbcinst -i -s -h -f '" + dir.File("user.tpl") + "'");
  Shell("odbcinst -i -s -l -f '" + dir.File("system.tpl") + "'");

  HostSettings settings;  // the unixodbc source, default system folders
  component::Attach(std::make_shared<LocalHostLibrary>(settings), dir.path());
  WizAPI api;
  DataSources sources;
  api.ReadDrvDSNFromReg(kCurrentUserRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                        sources);
  api.ReadDrvDSNFromReg(kLocalMachineRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                        sources);
  component::Detach();

  std::vector<std::string> listed = ListedNames();
  std::set<std::string> expectedNames(listed.begin(), listed.end());
  std::vector<std::string> found;
  for (const auto& r : sources) found.push_back(r->Name());
  EXPECT_EQ(found, (std::vector<std::string>{"Orders", "Shared", "Mixed Case Name", "Stock"}));
  EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), expectedNames);

  for (const auto& r : sources) {
    std::string expected = ExpectedAttributes(r->Name());
    // The one path inside a well-known folder takes its symbol.
    const std::string setup = "Setup=C:\\Windows\\System32\\odbcjt32.dll";
    if (size_t at = expected.find(setup); at != std::string::npos) {
      expected.replace(at, setup.size(), "Setup=<WINSYSDIR>\\odbcjt32.dll");
    }
    EXPECT_EQ(r->AttribsString(), expected) << r->Name();
    const bool user = r->Name() != "Stock";
    EXPECT_EQ(r->UserDSN(), user) << r->Name();
    EXPECT_EQ(r->SystemDSN(), !user) << r->Name();
  }
  EXPECT_NE(sources.Item(2)->AttribsString().find("Server=user-side"), std::string::npos);
}

}  // namespace
}  // namespace lumora
