// Discovery against unixODBC itself: data sources registered with `odbcinst -i`, and user and
// system files written by hand in every awkward layout, are found exactly as `odbcinst -q -s`
// lists them, with the entries `odbcinst -q -s -n` gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "contract/ProcessState.h"
#include "contract/Text.h"
#include "hostlib/LocalHostLibrary.h"
#include "services/WizAPI.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::Lines;
using testing::RunProcess;
using testing::ScopedEnv;
using testing::Shell;

// The data-source names odbcinst lists ([ODBC] holds settings, not a data source), each
// decoded as its file is (odbcinst prints the bytes as they are).
std::vector<std::string> ListedNames() {
  std::vector<std::string> names;
  for (const std::string& line : Lines(Shell("odbcinst -q -s 2>/dev/null || true"))) {
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      std::string name = DecodeText8(line.substr(1, line.size() - 2));
      if (name != "ODBC") names.push_back(name);
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
  for (const std::string& line : Lines(r.exitStatus == 0 ? r.out : "")) {
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

// Files written by hand, or registered with `odbcinst -i` from templates, user and system side,
// each compared with what odbcinst lists from the very same files. Each folder under
// tests/data/unixodbc/layouts holds the user file (user.ini) and the system file (odbc.ini), or
// the templates odbcinst registers (user.tpl, system.tpl), a file left out where the layout has
// none; and in `listed`, after comments saying what the layout shows, the data sources both must
// list, "user NAME" or "system NAME" a line. How one file is read on its own (comments, stray
// lines, byte-order marks, encodings, [ODBC]) is the registry reader's own test.
TEST(UnixOdbcDiscovery, ListsWhatOdbcinstListsForEveryFileLayout) {
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

}  // namespace
}  // namespace lumora
