// One connection try in a child process: the try program (lumora-odbc-try, installed beside the
// component) gets the connection string on its standard input and answers on its standard
// output; it is stopped when it does not answer in time, the caller cancels or the caller's
// deadline passes. A try writes no file and loads no library the object names: the driver is the
// installed one, a driver's own file-writing and code-loading keys are left out, and a database
// the driver would create is reported missing. The caller owns the outcome; no password is kept
// in it (texts are masked before they are stored).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/odbc/InstalledDrivers.h"
#include "platform/odbc/TryProcess.h"

namespace lumora::odbc {

inline constexpr const char* kTryProgram = "lumora-odbc-try";

enum class TryResult {
  kConnected,     // connected and disconnected again
  kFailed,        // the driver manager or the driver refused; see diagnostics
  kNotInstalled,  // the data source's driver is not among this machine's drivers: not tried
  kNoAnswer,      // killed after the timeout
  kCrashed,       // the try ended by a signal
  kCancelled,     // the caller cancelled
  kNotRun,        // the try program could not be run (see problem)
  kRefused,       // the object's lines or the installed driver do not allow a safe try: not tried
  kMissingFile,   // the database file the driver would create is not there: not tried
  kPastDeadline,  // the caller's deadline passed before the try or while it ran
};

struct Diagnostic {
  std::string state;  // SQLSTATE
  long native = 0;
  std::string message;
};

struct TryOutcome {
  TryResult result = TryResult::kNotRun;
  std::string driver;      // the installed driver tried, or the name that was not found
  std::string connection;  // the connection string with secrets shown as ***
  std::string dbmsName, dbmsVersion, driverFile, driverVersion;
  std::vector<Diagnostic> diagnostics;
  int signal = 0;        // kCrashed
  int seconds = 0;       // kNoAnswer: the timeout
  std::string problem;   // kNotRun, kRefused; kMissingFile: the file
  std::string errors;    // what the driver wrote to standard error, escaped, masked and cut
  size_t errorsCut = 0;  // bytes of it left out
};

// Runs the try program on `connectionString`; diagnostics masked with `attributes`' secrets.
TryOutcome TryConnection(const std::string& connectionString,
                         const std::vector<Attribute>& attributes, const TrySettings& settings);

// Tries a data source given by its attribute lines ("KEY=value" joined by CR LF or LF): its
// driver (DriverName=, else Driver=) looked up among `installed` and named to the driver manager
// by its installed name; the other KEY=value lines make the connection string. Lines whose key
// KeyRefusal refuses make the outcome kRefused, naming the first.
TryOutcome TryDataSource(const std::string& attributeLines,
                         const std::vector<InstalledDriver>& installed,
                         const TrySettings& settings);

// The attribute lines of a data source that go into its connection string: every KEY=value
// line but Driver= and DriverName= and those whose key KeyRefusal refuses.
std::vector<Attribute> ConnectionAttributes(const std::string& attributeLines);

// What came of a try in one line ("connected: SQLite 3.40.1; driver libsqlite3odbc.so 0.9998",
// "failed: [08001] (native 101) ...", "not installed on this machine: not tried", ...).
std::string DescribeOutcome(const TryOutcome& outcome);

// The same for a message box: the first line says what happened, then one line per diagnostic.
std::string DescribeOutcomeForPerson(const TryOutcome& outcome, const std::string& dataSource);

// The try program beside the file this code was linked into (the component's library, whose
// folder holds the program in the build and in the install).
std::string TryProgramBesideThisLibrary();

// "SIGSEGV" for 11.
std::string SignalName(int signal);

}  // namespace lumora::odbc
