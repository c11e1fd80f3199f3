// Discovery against unixODBC itself: data sources registered with `odbcinst -i`, and user and
// system files written by hand in every awkward layout, are found exactly as `odbcinst -q -s`
// lists them, with the entries `odbcinst -q -s -n` gives.
#include <gtest/gtest.h>

#include <algorithm>

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

// The names the wizard discovers with the unixodbc source: user data sources, then system.
std::vector<std::string> DiscoveredNames(const std::string& componentDir, DataSources& sources) {
  component::Attach(std::make_shared<LocalHostLibrary>(HostSettings{}), componentDir);
  WizAPI api;
  api.ReadDrvDSNFromReg(kCurrentUserRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                        sources);
  api.ReadDrvDSNFromReg(kLocalMachineRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                        sources);
  component::Detach();
  std::vector<std::string> found;
  for (const auto& r : sources) found.push_back(r->Name());
  return found;
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
// each compared with what odbcinst lists from the very same files. "-" stands for a file that
// does not exist. How one file is read on its own (comments, stray lines, byte-order marks,
// encodings, [ODBC]) is the registry reader's own test.
TEST(UnixOdbcDiscovery, ListsWhatOdbcinstListsForEveryFileLayout) {
  SKIP_WITHOUT("odbcinst");
  struct Layout {
    std::string user, system;
    std::string names;        // what both must list, joined by "|"
    size_t users;             // how many of them, from the first, are user data sources
    bool registered = false;  // the files are templates that odbcinst -i registers
  };
  const Layout layouts[] = {
      // Odd spacing: an indented header or key counts in the user file, not in the system file.
      {"[ Spaced Name ]\nDriver = x \n  [Indented]\n\tPort = 1\n\t[Tabbed]\n",
       "[Sys]\nDriver=x\n  Server=dropped\n\tPort=2\n  [NotASection]\n[Next]\n",
       "Spaced Name|Indented|Tabbed|Sys|Next", 3},
      // With the user file ignored, the system file is read as the user file is; with no user
      // file, the system file is still merged.
      {"stray\n[U]\n", "[Sys]\n  Server=kept\n  [Indented]\n", "Sys|Indented", 0},
      {"-", "[Sys]\n\tServer=dropped\n  [NotASection]\n", "Sys", 0},
      // [ODBC Data Sources] is neither a list nor a data source; empty, it hides nothing.
      {"[ODBC Data Sources]\nGhost=x\nA=y\n[A]\nDriver=y\n[Unlisted]\n", "-", "A|Unlisted", 2},
      {"[ODBC Data Sources]\n[A]\n", "[ODBC Data Sources]\n[B]\n", "A|B", 1},
      // An indented first header: the system file is ignored.
      {"[A]\n", "  [B]\n[C]\n", "A", 1},
      // A name in both files is listed once, as the user's; system duplicates once.
      {"[Shared]\n[Mine]\n", "[SHARED]\n[Ours]\n[ours]\n", "Shared|Mine|Ours", 2},
      // An empty section name ends the list, the system file's too.
      {"[A]\n[]\n[B]\n", "[C]\n", "A", 1},
      // A missing ] and text after ] still name the section.
      {"[Open\nDriver=x\n[Closed] tail\n", "-", "Open|Closed", 2},
      // Empty files, and files that odbcinst itself registered from templates.
      {"", "", "", 0},
      {"[Orders]\nDriver=Test Driver\nDBQ=C:\\data\\orders.mdb\n\n"
       "[Shared]\nDriver=Test Driver\nServer=user-side\n",
       "[Stock]\nDriver=Test Driver\nPort=5432\n\n"
       "[Shared]\nDriver=Test Driver\nServer=machine-side\n",
       "Orders|Shared|Stock", 2, true},
      // A name in both files takes the user's entries; a path in a known folder its symbol.
      {"[Orders]\nDriver = Test Driver\nDescription = Orders of the year\nDBQ = C:\\data\\o.mdb\n"
       "Setup = C:\\Windows\\System32\\odbcjt32.dll\n[Shared]\nDriver = Test Driver\n"
       "Server = user-side\n[Mixed Case Name]\nDriver = Test Driver\n",
       "[Stock]\nDriver = Test Driver\nPort = 5432\n[Shared]\nServer = machine-side\n",
       "Orders|Shared|Mixed Case Name|Stock", 3},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.user + " / " + layout.system);
    testing::TempDir dir;
    dir.Write("sys/odbcinst.ini", "[Test Driver]\nDescription=test\nDriver=/nonexistent.so\n");
    ScopedEnv env("ODBCINI", dir.File("user.ini").c_str());
    env.Set("ODBCSYSINI", dir.File("sys").c_str());
    const std::string user = layout.registered ? "user.tpl" : "user.ini";
    const std::string system = layout.registered ? "system.tpl" : "sys/odbc.ini";
    if (layout.user != "-") dir.Write(user, layout.user);
    if (layout.system != "-") dir.Write(system, layout.system);
    if (layout.registered) {
      dir.Write("sys/odbc.ini", "");  // odbcinst -l fails without a system file
      Shell("odbcinst -i -s -h -f '" + dir.File(user) + "'");
      Shell("odbcinst -i -s -l -f '" + dir.File(system) + "'");
    }
    DataSources sources;
    const std::vector<std::string> found = DiscoveredNames(dir.path(), sources);
    EXPECT_EQ(found, ListedNames());
    std::string names;
    for (const std::string& name : found) names += (names.empty() ? "" : "|") + name;
    EXPECT_EQ(names, layout.names);
    for (size_t i = 0; i < found.size(); ++i) {
      const DataSource& r = *sources.Item(static_cast<int16_t>(i + 1));
      std::string expected = ExpectedAttributes(r.Name());
      const std::string system32 = "=C:\\Windows\\System32\\";
      if (size_t at = expected.find(system32); at != std::string::npos) {
        expected.replace(at, system32.size(), "=<WINSYSDIR>\\");
      }
      EXPECT_EQ(r.AttribsString(), expected) << r.Name();
      EXPECT_EQ(r.UserDSN(), i < layout.users) << r.Name();
      EXPECT_NE(r.UserDSN(), r.SystemDSN()) << r.Name();
    }
  }
}

}  // namespace
}  // namespace lumora
