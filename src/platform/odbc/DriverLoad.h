// Whether a driver of a design object is one this machine's unixODBC has (by name, else by the
// file name of its library) and, when it has it, whether the registered library loads. The load
// happens in the try program's child process, so a library that crashes or hangs while loading
// takes only the child down. The caller owns the outcome.
#pragma once

#include <string>
#include <vector>

#include "platform/odbc/ConnectionTry.h"
#include "platform/odbc/InstalledDrivers.h"

namespace lumora::odbc {

enum class LoadResult {
  kLoaded,        // the library loads and is an ODBC driver
  kNotLoaded,     // it does not load or is no ODBC driver; see problem
  kNotInstalled,  // no driver of this machine matches: nothing loaded
  kNoAnswer,      // killed after the timeout
  kCrashed,       // the load ended by a signal
  kNotRun,        // the try program could not be run (see problem)
};

struct LoadOutcome {
  LoadResult result = LoadResult::kNotRun;
  std::string installedAs;  // the matching section of odbcinst.ini
  std::string library;      // its Driver= entry; after a load, the file that was loaded
  std::string problem;
  int signal = 0;   // kCrashed
  int seconds = 0;  // kNoAnswer: the timeout
};

// Looks up the object's driver `name`, whose Driver= line is `libraryPath` (a Windows or Unix
// path, may be empty), among `installed`, and loads the library of the one found.
LoadOutcome TryLoadingDriver(const std::string& name, const std::string& libraryPath,
                             const std::vector<InstalledDriver>& installed,
                             const TrySettings& settings);

// One line: `installed as "X": /usr/lib/x.so loads`, `not installed on this machine: not
// loaded`, `installed as "X": /usr/lib/x.so does not load: ...`.
std::string DescribeLoad(const LoadOutcome& outcome);

// The outcome in one word for machine-read output: "loads", "does not load", "not installed",
// "no answer", "crashed", "not tried".
const char* LoadResultWord(LoadResult result);

}  // namespace lumora::odbc
