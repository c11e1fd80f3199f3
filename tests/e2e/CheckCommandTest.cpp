// lumora check against real drivers: the SQLite ODBC driver on files the tests make, the
// PostgreSQL driver on a server the tests start on a Unix socket (and on a socket that never
// answers), and a driver the tests build that crashes. The drivers are registered in a scratch
// odbcinst.ini (ODBCSYSINI), so the machine's own registrations play no part.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <glob.h>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::Lines;
using testing::Lumora;
using testing::ProcessResult;
using testing::RunProcess;
using testing::ScopedEnv;
using testing::TempDir;

const std::string kOdbcFolder = "/usr/lib/x86_64-linux-gnu/odbc/";

struct Source {
  std::string name;
  std::string lines;  // joined by \r\n
  bool selected = true;
};

// A design object storing `sources` (user data sources) and `drivers`, in order.
std::string ObjectText(const std::vector<Source>& sources,
                       const std::vector<Source>& drivers = {}) {
  nlohmann::json p;
  for (const auto& [key, list] : {std::pair{"Drivers", &drivers}, {"DataSources", &sources}}) {
    for (const Source& s : *list) {
      p[key].push_back(s.name);
      p[std::string(key) + "Info"].push_back(s.lines);
      p[std::string(key) + "Selections"].push_back(s.selected);
      if (list == &sources) p["DataSourcesTypes"].push_back("user");
      if (list == &sources) p["DataSourcesUninstFlags"].push_back(false);
    }
  }
  return nlohmann::json{{"properties", p.is_null() ? nlohmann::json::object() : p}}.dump();
}

// A scratch machine: odbcinst.ini with the SQLite 3 and PostgreSQL drivers and the crashing one.
class CheckMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access((kOdbcFolder + "libsqlite3odbc.so").c_str(), R_OK) != 0) {
      GTEST_SKIP() << "the SQLite ODBC driver is not installed (Debian package libsqliteodbc)";
    }
    dir_.Write("odbcinst.ini",
               "[SQLite3]\nDescription=SQLite 3\nDriver=" + kOdbcFolder +
                   "libsqlite3odbc.so\n\n[PostgreSQL Unicode]\nDriver=" + kOdbcFolder +
                   "psqlodbcw.so\n\n[Crashing]\nDriver=" + testing::BinDir() +
                   "/liblumora_test_crashing_driver.so\n");
    dir_.Write("odbc.ini", "");
    env_.Set("ODBCSYSINI", dir_.path().c_str());
    env_.Set("ODBCINI", dir_.File("odbc.ini").c_str());
  }
  ProcessResult Check(const std::vector<Source>& sources, std::vector<std::string> args = {},
                      const std::vector<Source>& drivers = {}) {
    dir_.Write("object.json", ObjectText(sources, drivers));
    args.insert(args.begin(), {"check", dir_.File("object.json")});
    return RunProcess(Lumora(), args);
  }
  TempDir dir_;
  ScopedEnv env_;
};

// A database file with one table, made by the driver itself through the try program.
void MakeDatabase(const std::string& path) {
  RunProcess(testing::BinDir() + "/lumora-odbc-try", {}, "DRIVER={SQLite3};Database=" + path + ";");
  ASSERT_TRUE(std::filesystem::exists(path)) << path;
}

struct TryCase {
  const char* name;
  std::string lines;     // $DIR is the scratch folder
  const char* expected;  // the start of the line after "NAME: "
  int exit;
};

TEST_F(CheckMachine, EachTryEndsAsTheDriverSays) {
  const std::vector<TryCase> cases = {
      {"by name", "DriverName=SQLite3\r\nDatabase=$DIR/made.db", "connected: SQLite 3.", 0},
      {"by Windows file name",
       "Driver=C:\\Windows\\System32\\LIBSQLITE3ODBC.SO\r\nDatabase=$DIR/made.db",
       "connected: SQLite 3.", 0},
      {"missing file", "DriverName=SQLite3\r\nDatabase=$DIR/none/x.db\r\nNoCreat=1",
       "failed: [HY000] (native 14) [SQLite]connect failed", 1},
      {"Windows driver", "DriverName=SQL Server\r\nDriver=<WINSYSDIR>\\sqlsrv32.dll\r\nServer=db1",
       "driver \"SQL Server\" not installed on this machine: not tried", 0},
      {"crashing driver", "DriverName=Crashing\r\nDatabase=x", "the driver crashed (SIGSEGV)", 1},
  };
  ASSERT_NO_FATAL_FAILURE(MakeDatabase(dir_.File("made.db")));
  for (const TryCase& c : cases) {
    std::string lines = c.lines;
    for (size_t at; (at = lines.find("$DIR")) != std::string::npos;)
      lines.replace(at, 4, dir_.path());
    // The SQL Server line of the object keeps the Windows data source from being a finding.
    const ProcessResult r =
        Check({{c.name, lines}}, {}, {{"SQL Server", "Driver=<WINSYSDIR>\\sqlsrv32.dll"}});
    EXPECT_EQ(r.exitStatus, c.exit) << c.name << "\n" << r.out << r.err;
    EXPECT_EQ(r.out.rfind(std::string(c.name) + ": " + c.expected, 0), 0u) << c.name << "\n"
                                                                           << r.out;
    EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
  }
}

TEST_F(CheckMachine, TriesTheNextAfterACrashAndOnlyTheNamedOrSelected) {
  ASSERT_NO_FATAL_FAILURE(MakeDatabase(dir_.File("a.db")));
  const std::vector<Source> sources = {
      {"Crash", "DriverName=Crashing"},
      {"Lite", "DriverName=SQLite3\r\nDatabase=" + dir_.File("a.db")},
      {"Off", "DriverName=SQLite3\r\nDatabase=" + dir_.File("a.db"), false}};
  ProcessResult all = Check(sources);
  ASSERT_EQ(Lines(all.out).size(), 2u) << all.out;
  EXPECT_EQ(Lines(all.out)[0], "Crash: the driver crashed (SIGSEGV)");
  EXPECT_EQ(Lines(all.out)[1].rfind("Lite: connected", 0), 0u) << all.out;
  EXPECT_EQ(all.exitStatus, 1);

  // Named, with a password and a value that needs braces, and as JSON.
  ProcessResult named = Check(
      {{"Off", sources[2].lines + "\r\nPWD=hunter;2\r\nTimeout={5}", false}}, {"Off", "--json"});
  EXPECT_EQ(named.exitStatus, 0) << named.out;
  const auto j = nlohmann::json::parse(named.out);
  EXPECT_EQ(j["result"], "connected");
  EXPECT_EQ(j["dbms"]["name"], "SQLite");
  EXPECT_EQ(j["connection"],
            "DRIVER={SQLite3};Database=" + dir_.File("a.db") + ";PWD=***;Timeout={{5}}};");
  EXPECT_EQ(named.out.find("hunter"), std::string::npos);

  ProcessResult unknown = Check(sources, {"off"});
  EXPECT_EQ(unknown.exitStatus, 2);
  EXPECT_NE(unknown.err.find("no data source \"off\""), std::string::npos) << unknown.err;

  // Nothing selected: said on standard error, so that silence never reads as success.
  ProcessResult none = Check({sources[2]});
  EXPECT_EQ(none.exitStatus, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "lumora: " + dir_.File("object.json") +
                          ": stores no selected data source: none tried\n");
}

// A Unix socket that takes connections and never says a word.
class SilentServer {
 public:
  explicit SilentServer(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    path.copy(a.sun_path, sizeof a.sun_path - 1);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 8) != 0) {
      ADD_FAILURE() << "cannot listen on " << path;
    }
  }
  ~SilentServer() { ::close(fd_); }

 private:
  int fd_ = -1;
};

TEST_F(CheckMachine, AServerThatNeverAnswersIsReportedAtTheTimeout) {
  if (::access((kOdbcFolder + "psqlodbcw.so").c_str(), R_OK) != 0) {
    GTEST_SKIP() << "the PostgreSQL ODBC driver is not installed (Debian package odbc-postgresql)";
  }
  SilentServer server(dir_.File(".s.PGSQL.5499"));
  ASSERT_NO_FATAL_FAILURE(MakeDatabase(dir_.File("a.db")));
  const auto start = std::chrono::steady_clock::now();
  ProcessResult r = Check({{"Silent", "DriverName=PostgreSQL Unicode\r\nServername=" + dir_.path() +
                                          "\r\nPort=5499\r\nDatabase=x\r\nUsername=u"},
                           {"Lite", "DriverName=SQLite3\r\nDatabase=" + dir_.File("a.db")}},
                          {"--timeout", "2"});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.exitStatus, 1);
  ASSERT_EQ(Lines(r.out).size(), 2u) << r.out;
  EXPECT_EQ(Lines(r.out)[0], "Silent: no answer in 2 s");
  EXPECT_LT(seconds, 3.0);
}

// A PostgreSQL cluster in a temporary folder, listening on a Unix socket there and on no TCP
// port, with a user that needs a password and a database; stopped when the object goes.
class PostgresServer {
 public:
  static constexpr const char* kUser = "author";
  static constexpr const char* kPassword = "Right-Pa55;word";

  PostgresServer() {
    glob_t found{};
    if (::glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0) {
      bin_ = std::filesystem::path(found.gl_pathv[found.gl_pathc - 1]).parent_path();
    }
    ::globfree(&found);
    if (bin_.empty()) {
      skip_ = "PostgreSQL is not installed (Debian package postgresql)";
      return;
    }
    if (::getuid() == 0) {
      passwd* pg = ::getpwnam("postgres");
      if (pg == nullptr) {
        skip_ = "no postgres user to run the server as";
        return;
      }
      ::chmod(dir_.path().c_str(), 0755);
      if (::chown(dir_.path().c_str(), pg->pw_uid, pg->pw_gid) != 0) {
        skip_ = "cannot hand the folder to the postgres user";
        return;
      }
      as_ = "runuser -u postgres -- ";
    }
    dir_.Write("pw", kPassword);
    ::chmod(dir_.File("pw").c_str(), 0644);
    const std::string d = "'" + dir_.path() + "'";
    Run(as_ + bin_ + "/initdb -D " + d + "/data -U " + kUser +
        " --auth=scram-sha-256 --pwfile=" + d + "/pw >/dev/null");
    Run(as_ + bin_ + "/pg_ctl -D " + d + "/data -o \"-k " + d + " -c listen_addresses=''\" -w -l " +
        d + "/log start >/dev/null");
    started_ = true;
    Run("PGPASSWORD='" + std::string(kPassword) + "' " + bin_ + "/createdb -w -h " + d + " -U " +
        kUser + " shop </dev/null");
  }
  ~PostgresServer() {
    if (started_) {
      std::system(
          (as_ + bin_ + "/pg_ctl -D '" + dir_.path() + "/data' -m fast stop >/dev/null").c_str());
    }
  }
  const std::string& skip() const { return skip_; }
  const std::string& folder() const { return dir_.path(); }

 private:
  void Run(const std::string& command) {
    if (skip_.empty() && std::system(command.c_str()) != 0) skip_ = "failed: " + command;
  }
  TempDir dir_;
  std::string bin_, as_, skip_;
  bool started_ = false;
};

TEST_F(CheckMachine, APostgresServerTakesTheRightPasswordAndNamesTheWrongOne) {
  if (::access((kOdbcFolder + "psqlodbcw.so").c_str(), R_OK) != 0) {
    GTEST_SKIP() << "the PostgreSQL ODBC driver is not installed (Debian package odbc-postgresql)";
  }
  PostgresServer server;
  if (!server.skip().empty()) GTEST_SKIP() << server.skip();
  const std::string common = "DriverName=PostgreSQL Unicode\r\nServername=" + server.folder() +
                             "\r\nPort=5432\r\nDatabase=shop\r\nUsername=author\r\n";
  for (const bool json : {false, true}) {
    ProcessResult r = Check({{"Right", common + "Password=" + PostgresServer::kPassword},
                             {"Wrong", common + "PWD=Wrong-Secret"}},
                            json ? std::vector<std::string>{"--json"} : std::vector<std::string>{});
    EXPECT_EQ(r.exitStatus, 1) << r.out << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    if (json) {
      EXPECT_EQ(nlohmann::json::parse(lines[0])["dbms"]["name"], "PostgreSQL");
      EXPECT_EQ(nlohmann::json::parse(lines[1])["diagnostics"][0]["sqlstate"], "08001");
    } else {
      EXPECT_EQ(lines[0].rfind("Right: connected: PostgreSQL 15", 0), 0u) << lines[0];
      EXPECT_EQ(lines[1].rfind("Wrong: failed: [08001]", 0), 0u) << lines[1];
      EXPECT_NE(lines[1].find("password authentication failed for user \"author\""),
                std::string::npos);
    }
    for (const char* secret : {PostgresServer::kPassword, "Wrong-Secret", "Pa55"}) {
      EXPECT_EQ(r.out.find(secret), std::string::npos) << secret;
      EXPECT_EQ(r.err.find(secret), std::string::npos) << secret;
    }
  }
}

struct FindingCase {
  const char* what;
  std::vector<Source> drivers;
  std::vector<Source> sources;
  const char* expected;  // the finding's line after "OBJECT: "; "" for none
};

TEST_F(CheckMachine, FindingsWithoutConnectionNameTheItemAndTheLine) {
  const Source sqlServer{"SQL Server", "Driver=<WINSYSDIR>\\sqlsrv32.dll\r\nSetup=x.dll"};
  const std::vector<FindingCase> cases = {
      {"all well", {sqlServer}, {{"Sales", "DriverName=SQL Server\r\nServer=db1"}}, ""},
      {"driver installed here, not shipped",
       {},
       {{"Lite", "Description=x\r\nDriverName=SQLite3"}},
       ""},
      {"driver shipped by file name",
       {sqlServer},
       {{"Sales", "Driver=C:\\WINDOWS\\system32\\SQLSRV32.DLL\r\nServer=db1"}},
       ""},
      {"driver neither shipped nor installed",
       {sqlServer},
       {{"Pg", "Server=x\r\nDriverName=PostgreSQL ANSI"}},
       "data source \"Pg\" line 2: its driver \"PostgreSQL ANSI\" is neither among the object's "
       "selected drivers nor installed on this machine"},
      {"driver stored but not selected",
       {{"SQL Server", "Driver=sqlsrv32.dll", false}},
       {{"Sales", "DriverName=SQL Server\r\nServer=db1"}},
       "data source \"Sales\" line 1: its driver \"SQL Server\" is neither among the object's "
       "selected drivers nor installed on this machine"},
      {"data source naming no driver",
       {},
       {{"Bare", "Server=db1"}},
       "data source \"Bare\": names no driver (no DriverName= or Driver= line)"},
      {"names differing in case",
       {sqlServer},
       {{"Sales", "DriverName=SQL Server"},
        {"x", "DriverName=SQL Server"},
        {"SALES", "DriverName=SQL Server", false}},
       "data sources \"Sales\" (entry 1) and \"SALES\" (entry 3): names differ only in letter "
       "case; "
       "the wizard lists them as one and a tick may drop the other"},
      {"drivers differing in case",
       {sqlServer, {"sql server", "Driver=a.dll", false}},
       {},
       "drivers \"SQL Server\" (entry 1) and \"sql server\" (entry 2): names differ only in letter "
       "case; "
       "the wizard lists them as one and a tick may drop the other"},
      {"driver without Driver=", {{"Odd", "Setup=odd.dll"}}, {}, "driver \"Odd\": no Driver= line"},
      {"unselected driver without Driver= is no finding",
       {{"Odd", "Setup=odd.dll", false}},
       {},
       ""},
      {"line that is not KEY=value",
       {sqlServer},
       {{"Sales", "DriverName=SQL Server\r\n\r\nServer db1"}},
       "data source \"Sales\" line 3: \"Server db1\" is not KEY=value"},
      {"line without a key",
       {{"Odd", "Driver=odd.dll\r\n=1"}},
       {},
       "driver \"Odd\" line 2: \"=1\" is not KEY=value"},
      {"empty value",
       {sqlServer},
       {{"Sales", "DriverName=SQL Server\r\nDescription= "}},
       "data source \"Sales\" line 2: \"Description\" has an empty value"},
  };
  for (const FindingCase& c : cases) {
    ProcessResult r = Check(c.sources, {"--no-connect"}, c.drivers);
    const std::string prefix = dir_.File("object.json") + ": ";
    if (*c.expected == '\0') {
      EXPECT_EQ(r.out, "") << c.what;
      EXPECT_EQ(r.exitStatus, 0) << c.what;
    } else {
      EXPECT_EQ(r.out, prefix + c.expected + "\n") << c.what;
      EXPECT_EQ(r.exitStatus, 1) << c.what;
    }
  }
}

struct DriverCase {
  const char* what;
  Source driver;         // the object's driver
  std::string section;   // its odbcinst.ini section added to the scratch machine's; "" for none
  const char* expected;  // the line after `driver "NAME": `; "" for no line
  int exit;
};

TEST_F(CheckMachine, DriversReportsWhetherEachSelectedDriverIsInstalledAndLoads) {
  const std::string lite = kOdbcFolder + "libsqlite3odbc.so";
  const std::vector<DriverCase> cases = {
      {"installed by name",
       {"SQLite3", "Driver=sqlite3odbc.dll"},
       "",
       "installed as \"SQLite3\": /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so loads",
       0},
      {"installed by the library's file name",
       {"Lite for Windows", "Driver=C:\\Windows\\System32\\LIBSQLITE3ODBC.SO"},
       "",
       "installed as \"SQLite3\": /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so loads",
       0},
      {"registered by a bare file name, found in the driver folder",
       {"Bare", "Driver=bare.dll"},
       "[Bare]\nDriver=libsqlite3odbc.so\n",
       "installed as \"Bare\": /usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so loads",
       0},
      {"not installed here: the install brings it",
       {"SQL Server", "Driver=<WINSYSDIR>\\sqlsrv32.dll"},
       "",
       "not installed on this machine: not loaded",
       0},
      {"not selected: not reported", {"SQLite3", "Driver=x.dll", false}, "", "", 0},
      {"a library that is no ODBC driver",
       {"Plain", "Driver=plain.dll"},
       "[Plain]\nDriver=/usr/lib/x86_64-linux-gnu/libsqlite3.so.0\n",
       "installed as \"Plain\": /usr/lib/x86_64-linux-gnu/libsqlite3.so.0 does not load: exports "
       "neither SQLConnect nor SQLDriverConnect: not an ODBC driver",
       1},
      {"a library that is not there",
       {"Gone", "Driver=gone.dll"},
       "[Gone]\nDriver=/nowhere/libgone.so\n",
       "installed as \"Gone\": /nowhere/libgone.so does not load: /nowhere/libgone.so: cannot "
       "open shared object file: No such file or directory",
       1},
      {"a section without Driver=",
       {"Empty", "Driver=e.dll"},
       "[Empty]\nSetup=x.so\n",
       "installed as \"Empty\" does not load: its section of $DIR/odbcinst.ini has no Driver= "
       "entry",
       1},
      {"a library that crashes when loaded",
       {"Loader", "Driver=l.dll"},
       "[Loader]\nDriver=" + testing::BinDir() + "/liblumora_test_crashing_load.so\n",
       "installed as \"Loader\": $BIN/liblumora_test_crashing_load.so crashed while loading "
       "(SIGSEGV)",
       1},
  };
  const std::string machine = testing::ReadFile(dir_.File("odbcinst.ini"));
  for (const DriverCase& c : cases) {
    dir_.Write("odbcinst.ini", machine + "\n" + c.section);
    const ProcessResult r = Check({}, {"--drivers"}, {c.driver});
    std::string expected =
        *c.expected == '\0' ? "" : "driver \"" + c.driver.name + "\": " + c.expected + "\n";
    for (const auto& [word, value] :
         {std::pair{"$DIR", dir_.path()}, {"$BIN", testing::BinDir()}}) {
      for (size_t at; (at = expected.find(word)) != std::string::npos;)
        expected.replace(at, 4, value);
    }
    EXPECT_EQ(r.out, expected) << c.what << "\n" << r.err;
    EXPECT_EQ(r.exitStatus, c.exit) << c.what;
  }
}

TEST_F(CheckMachine, DriversComeBeforeTheTriesAndInJsonToo) {
  ASSERT_NO_FATAL_FAILURE(MakeDatabase(dir_.File("a.db")));
  const std::vector<Source> drivers = {{"SQLite3", "Driver=sqlite3odbc.dll"},
                                       {"Crashing", "Driver=crash.dll"}};
  ProcessResult r = Check({{"Lite", "DriverName=SQLite3\r\nDatabase=" + dir_.File("a.db")}},
                          {"--drivers", "--json"}, drivers);
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out << r.err;
  EXPECT_EQ(nlohmann::json::parse(lines[0])["result"], "loads");
  // Loading is not connecting: the driver that crashes in a connection loads.
  EXPECT_EQ(nlohmann::json::parse(lines[1])["installedAs"], "Crashing");
  EXPECT_EQ(nlohmann::json::parse(lines[1])["result"], "loads");
  EXPECT_EQ(nlohmann::json::parse(lines[2])["dataSource"], "Lite");
  EXPECT_EQ(r.exitStatus, 0);
  // --no-connect keeps the loads and leaves the tries out.
  r = Check({{"Lite", "DriverName=SQLite3"}}, {"--drivers", "--no-connect"}, drivers);
  EXPECT_EQ(Lines(r.out).size(), 2u) << r.out;
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

// The wizard's Test button tries the lines in the attribute box as they are now, edits
// included, and the message box says what came of it; Finish stores the fixed lines.
TEST_F(CheckMachine, TheWizardTestsTheLinesBeingEdited) {
  const std::string wrong =
      "DriverName=SQLite3\\r\\nDatabase=" + dir_.File("none/shop.db") + "\\r\\nNoCreat=1";
  const std::string right =
      "DriverName=SQLite3\\r\\nDatabase=" + dir_.File("shop.db") + "\\r\\nPWD=Sesame";
  ASSERT_NO_FATAL_FAILURE(MakeDatabase(dir_.File("shop.db")));
  dir_.Write("script",
             "click cmdNav(3)\ntick lvwDSNs \"Shop\"\nclick cmdDSNAdv\ntype txtDSNAttrib \"" +
                 wrong + "\"\nclick cmdDSNTest\ntype txtDSNAttrib \"" + right +
                 "\"\nclick cmdDSNTest\ndump\nclick cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n");
  dir_.Write("object.json", ObjectText({{"Shop", "DriverName=SQLite3\r\nDatabase=old.db", false},
                                        {"Windows", "DriverName=SQL Server", false}}));
  ProcessResult r = RunProcess(Lumora(), {"wizard", dir_.File("object.json"), "--script",
                                          dir_.File("script"), "--registry", "none"});
  ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  EXPECT_NE(lines[2].find("PWD=***"), std::string::npos);  // the dump shows no password
  EXPECT_EQ(r.out.find("Sesame"), std::string::npos);
  EXPECT_EQ(lines[0],
            "{\"msgbox\":{\"title\":\"Test Data Source\",\"text\":\"'Shop' did not connect:\\n"
            "[HY000] (native 14) [SQLite]connect failed\"}}");
  EXPECT_EQ(lines[1].rfind("{\"msgbox\":{\"title\":\"Test Data Source\",\"text\":\"'Shop' "
                           "connected to SQLite 3.",
                           0),
            0u)
      << lines[1];
  const auto stored = nlohmann::json::parse(testing::ReadFile(dir_.File("object.json")));
  EXPECT_EQ(stored["properties"]["DataSourcesInfo"][0],
            "DriverName=SQLite3\r\nDatabase=" + dir_.File("shop.db") + "\r\nPWD=Sesame");
}

}  // namespace
}  // namespace lumora
