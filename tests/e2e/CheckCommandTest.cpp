// lumora check against real drivers: the SQLite ODBC driver on files the tests make, the
// PostgreSQL driver on a server the tests start on a Unix socket, and drivers the tests build
// that crash or hang. The drivers are registered in a scratch
// odbcinst.ini (ODBCSYSINI), so the machine's own registrations play no part. (What check finds
// without connecting: the cases check-* of tests/e2e/cases.)
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glob.h>
#include <algorithm>
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
      SKIP_FOR_MISSING("the SQLite ODBC driver is not installed (Debian package libsqliteodbc)");
    }
    dir_.Write("odbcinst.ini", Expand(testing::ReadFile("tests/data/check/odbcinst.ini")));
    dir_.Write("odbc.ini", "");
    // The library of [SQLite3 64] (its Driver64=), under a name in other letters.
    std::filesystem::create_symlink(kOdbcFolder + "libsqlite3odbc.so",
                                    dir_.File("LibSQLite3ODBC.so"));
    env_.Set("ODBCSYSINI", dir_.path().c_str());
    env_.Set("ODBCINI", dir_.File("odbc.ini").c_str());
    env_.Set("LUMORA_TEST_MARKER", marker_.c_str());  // a library offered loaded: never there
    // A database file with one table, made by the driver itself through the try program.
    RunProcess(testing::BinDir() + "/lumora-odbc-try", {},
               "DRIVER={SQLite3};Database=" + db_ + ";");
    ASSERT_TRUE(std::filesystem::exists(db_)) << db_;
  }
  // The text with $DIR the scratch folder and $BIN the folder of the built programs.
  std::string Expand(std::string text) const {
    for (const auto& [word, value] :
         {std::pair{"$DIR", dir_.path()}, {"$BIN", testing::BinDir()}}) {
      for (size_t at; (at = text.find(word)) != std::string::npos;) text.replace(at, 4, value);
    }
    return text;
  }
  ProcessResult Check(const std::vector<Source>& sources, std::vector<std::string> args = {},
                      const std::vector<Source>& drivers = {}) {
    dir_.Write("object.json", ObjectText(sources, drivers));
    args.insert(args.begin(), {"check", dir_.File("object.json")});
    ProcessResult r = RunProcess(Lumora(), args);
    // The warnings about the target (a SQLite file's POSIX path, a password) are
    // CheckTarget's; here only the tries and loads count.
    std::string kept;
    for (const std::string& line : Lines(r.out)) {
      if (line.find(": warning: ") == std::string::npos &&
          line.find("\"severity\":\"warning\"") == std::string::npos) {
        kept += line + "\n";
      }
    }
    r.out = kept;
    return r;
  }
  // The names of the files in the scratch folder.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
      names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  TempDir dir_;
  ScopedEnv env_;
  const std::string marker_ = dir_.File("marker");
  const std::string db_ = dir_.File("a.db");
  const std::string lite_ = "DriverName=SQLite3\r\nDatabase=" + db_;  // a data source on it
};

// Why the PostgreSQL driver cannot be tried here, "" when it can.
std::string WithoutPostgresDriver() {
  return ::access((kOdbcFolder + "psqlodbcw.so").c_str(), R_OK) == 0
             ? ""
             : "the PostgreSQL ODBC driver is not installed (Debian package odbc-postgresql)";
}

// Each case of tests/data/check/tries.json: one data source's lines, the start of its line after
// "NAME: ", the findings printed before it and the exit status. No try loads the library that
// leaves a marker, wherever the object names it, and none creates or changes a file.
TEST_F(CheckMachine, EachTryEndsAsTheDriverSaysAndLoadsAndWritesNothingTheObjectNames) {
  dir_.Write("object.json", "");
  const std::vector<std::string> before = Listing();
  for (const auto& c : nlohmann::json::parse(testing::ReadFile("tests/data/check/tries.json"))) {
    const std::string name = c["name"], expected = Expand(c["expected"]);
    // The SQL Server line of the object keeps the Windows data source from being a finding.
    const ProcessResult r = Check({{name, Expand(c["lines"])}}, {},
                                  {{"SQL Server", "Driver=<WINSYSDIR>\\sqlsrv32.dll"}});
    EXPECT_EQ(r.exitStatus, c["exit"].get<int>()) << name << "\n" << r.out << r.err;
    // A line the connection string refuses is also a finding, printed before the try.
    const std::vector<std::string> lines = Lines(r.out);
    EXPECT_EQ(lines.size(), 1u + c.value("findings", 0)) << name << "\n" << r.out;
    const std::string last = lines.empty() ? "" : lines.back();
    EXPECT_EQ(last.rfind(name + ": " + expected, 0), 0u) << name << "\n" << r.out;
    EXPECT_FALSE(std::filesystem::exists(marker_)) << name;
    std::filesystem::remove(marker_);
    EXPECT_EQ(Listing(), before) << name;
  }
}

TEST_F(CheckMachine, TriesTheNextAfterACrashAndOnlyTheNamedOrSelected) {
  const std::vector<Source> sources = {
      {"Crash", "DriverName=Crashing"}, {"Lite", lite_}, {"Off", lite_, false}};
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
  // The SQLite driver is told not to create its database.
  EXPECT_EQ(j["connection"],
            "DRIVER={SQLite3};Database=" + db_ + ";PWD=***;Timeout={{5}}};NoCreat=1;");
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

// A driver that floods standard error with control characters, detaches a grandchild with
// setsid and hangs: its text is escaped and cut, the grandchild ends with the try, and the next
// data source is tried. Past the overall deadline the rest are not tried, in the order given,
// side by side until then.
TEST_F(CheckMachine, ADriverThatFloodsAndDetachesIsCutAndEndsWithItsTry) {
  const Source hang{"Hang", "DriverName=Detaching"};
  ProcessResult r = Check({hang, {"Lite", lite_}}, {"--timeout", "1"});
  EXPECT_EQ(r.exitStatus, 1);
  ASSERT_EQ(Lines(r.out).size(), 2u) << r.out;
  EXPECT_EQ(Lines(r.out)[1].rfind("Lite: connected", 0), 0u) << r.out;
  EXPECT_EQ(r.out.rfind("Hang: no answer in 1 s; the driver wrote on standard error: "
                        "\"noise\\x1B[2J\\x07\\nnoise",
                        0),
            0u)
      << r.out.substr(0, 200);
  EXPECT_NE(r.out.find("bytes more cut)"), std::string::npos);
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  EXPECT_LT(r.out.size(), 10000u);  // of 260,000 bytes written
  const pid_t grandchild = std::atoi(testing::ReadFile(marker_).c_str());
  ASSERT_GT(grandchild, 0);
  EXPECT_NE(::kill(grandchild, 0), 0) << "the detached grandchild outlived its try";

  const auto start = std::chrono::steady_clock::now();
  r = Check({{"A", hang.lines}, {"B", hang.lines}, {"C", hang.lines}, {"Lite", lite_}},
            {"--timeout", "20", "--deadline", "2", "--json"});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.exitStatus, 1);
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  for (size_t i = 0; i < 3; ++i) {
    const auto j = nlohmann::json::parse(lines[i]);
    EXPECT_EQ(j["dataSource"], std::string(1, static_cast<char>('A' + i)));
    EXPECT_EQ(j["result"], "not tried") << lines[i];
  }
  EXPECT_EQ(nlohmann::json::parse(lines[3])["dataSource"], "Lite");
  EXPECT_LT(seconds, 10.0);
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
  SKIP_FOR_MISSING(WithoutPostgresDriver());
  PostgresServer server;
  SKIP_FOR_MISSING(server.skip());
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
      EXPECT_EQ(nlohmann::json::parse(lines[0])["dbms"]["name"], "PostgreSQL") << lines[0] << r.err;
      EXPECT_EQ(nlohmann::json::parse(lines[1])["diagnostics"][0]["sqlstate"], "08001") << lines[1];
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

void from_json(const nlohmann::json& j, Source& s) {
  s = {j.at(0), j.at(1), j.size() < 3 || j.at(2).get<bool>()};
}

// Each case of tests/data/check/drivers.json: the object's one driver, its odbcinst.ini section
// added to the scratch machine's ("" for none), and the line after `driver "NAME": `.
TEST_F(CheckMachine, DriversReportsWhetherEachSelectedDriverIsInstalledAndLoads) {
  const std::string machine = testing::ReadFile(dir_.File("odbcinst.ini"));
  for (const auto& c : nlohmann::json::parse(testing::ReadFile("tests/data/check/drivers.json"))) {
    const Source driver = c["driver"];
    const std::string what = c["what"], line = c["expected"];
    dir_.Write("odbcinst.ini", machine + "\n" + Expand(c["section"]));
    const ProcessResult r = Check({}, {"--drivers"}, {driver});
    EXPECT_EQ(r.out, line.empty() ? "" : "driver \"" + driver.name + "\": " + Expand(line) + "\n")
        << what << "\n"
        << r.err;
    EXPECT_EQ(r.exitStatus, c["exit"].get<int>()) << what;
  }
}

TEST_F(CheckMachine, DriversComeBeforeTheTriesAndInJsonToo) {
  const std::vector<Source> drivers = {{"SQLite3", "Driver=sqlite3odbc.dll"},
                                       {"Crashing", "Driver=crash.dll"}};
  ProcessResult r = Check({{"Lite", lite_}}, {"--drivers", "--json"}, drivers);
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

// The wizard's Test button tries the lines in the attribute box as they are now, edits
// included, and the message box says what came of it, loading and writing nothing the lines
// name; Finish stores the fixed lines, and no dump or message shows a secret.
TEST_F(CheckMachine, TheWizardTestsTheLinesBeingEdited) {
  // Tries a file that is not there, a tab before DRIVER, SAVEFILE, then the file there with
  // secrets.
  dir_.Write("script", Expand(testing::ReadFile("tests/data/check/test-button.txt")));
  dir_.Write("object.json", ObjectText({{"Shop", "DriverName=SQLite3\r\nDatabase=old.db", false},
                                        {"Windows", "DriverName=SQL Server", false}}));
  ProcessResult r = RunProcess(Lumora(), {"wizard", dir_.File("object.json"), "--script",
                                          dir_.File("script"), "--registry", "none"});
  ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 5u) << r.out;
  const std::string box = "{\"msgbox\":{\"title\":\"Test Data Source\",\"text\":\"";
  EXPECT_EQ(lines[0], box + "'Shop': not tried: the database file \\\"" + dir_.path() +
                          "/none/shop.db\\\" is missing (the driver would create it).\"}}");
  EXPECT_EQ(lines[1], box +
                          "'Shop': not tried: line 3 \\\"\\\\tDRIVER=...\\\" has blanks around "
                          "its key (the driver manager would read \\\"DRIVER\\\"); it never goes "
                          "into a connection string.\"}}");
  EXPECT_NE(lines[2].find("'Shop': not tried: line 3 \\\"SAVEFILE=...\\\" names a key the driver "
                          "manager acts on itself"),
            std::string::npos)
      << lines[2];
  EXPECT_EQ(lines[3].rfind(box + "'Shop' connected to SQLite 3.", 0), 0u) << lines[3];
  EXPECT_NE(lines[4].find("PWD=***\\r\\nApiToken=***"), std::string::npos) << lines[4];
  EXPECT_EQ(r.out.find("Sesame"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(marker_));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("saved.dsn")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("none")));
  const auto stored = nlohmann::json::parse(testing::ReadFile(dir_.File("object.json")));
  EXPECT_EQ(stored["properties"]["DataSourcesInfo"][0],
            lite_ + "\r\nPWD=Sesame\r\nApiToken=Open;Sesame}");
}

}  // namespace
}  // namespace lumora
