#include "platform/odbc/DriverLoad.h"

#include <sstream>

#include "platform/odbc/MachineDrivers.h"
#include "platform/odbc/TryProcess.h"

namespace lumora::odbc {
namespace {

void ReadAnswer(const std::string& answer, LoadOutcome& outcome) {
  std::istringstream lines(answer);
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t');
    const std::string word = line.substr(0, tab);
    const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (word == "loaded") {
      outcome.result = LoadResult::kLoaded;
      if (!rest.empty()) outcome.library = rest;
    } else if (word == "notloaded") {
      outcome.result = LoadResult::kNotLoaded;
      outcome.problem = rest;
    }
  }
}

}  // namespace

LoadOutcome TryLoadingDriver(const std::string& name, const std::string& libraryPath,
                             const std::vector<InstalledDriver>& installed,
                             const TrySettings& settings) {
  LoadOutcome outcome;
  const InstalledDriver* driver = FindInstalledDriver(installed, name, libraryPath);
  if (driver == nullptr) {
    outcome.result = LoadResult::kNotInstalled;
    return outcome;
  }
  outcome.installedAs = driver->name;
  outcome.library = driver->Entry("Driver");
  if (outcome.library.empty()) {
    outcome.result = LoadResult::kNotLoaded;
    outcome.problem = "its section of " + MachineDriversPlace() + " has no Driver= entry";
    return outcome;
  }
  const TryRun run = RunTryProgram(settings.program, {"--load", outcome.library}, "", settings);
  if (run.pastDeadline) {
    outcome.problem = "the deadline passed";
  } else if (!run.started) {
    outcome.problem = run.problem;
  } else if (run.late || run.cancelled) {
    outcome.result = LoadResult::kNoAnswer;
    outcome.seconds = settings.timeoutSeconds;
  } else if (run.signal != 0) {
    outcome.result = LoadResult::kCrashed;
    outcome.signal = run.signal;
  } else {
    ReadAnswer(run.answer, outcome);
    if (outcome.result == LoadResult::kNotRun) {
      outcome.problem =
          settings.program + " gave no answer (exit status " + std::to_string(run.exitStatus) + ")";
    }
  }
  return outcome;
}

const char* LoadResultWord(LoadResult result) {
  switch (result) {
    case LoadResult::kLoaded:
      return "loads";
    case LoadResult::kNotLoaded:
      return "does not load";
    case LoadResult::kNotInstalled:
      return "not installed";
    case LoadResult::kNoAnswer:
      return "no answer";
    case LoadResult::kCrashed:
      return "crashed";
    case LoadResult::kNotRun:
      return "not tried";
  }
  return "";
}

std::string DescribeLoad(const LoadOutcome& outcome) {
  const std::string as = "installed as \"" + outcome.installedAs + "\"" +
                         (outcome.library.empty() ? "" : ": " + outcome.library);
  switch (outcome.result) {
    case LoadResult::kLoaded:
      return as + " loads";
    case LoadResult::kNotLoaded:
      return as + " does not load: " + outcome.problem;
    case LoadResult::kNotInstalled:
      return "not installed on this machine: not loaded";
    case LoadResult::kNoAnswer:
      return as + " gave no answer in " + std::to_string(outcome.seconds) + " s while loading";
    case LoadResult::kCrashed:
      return as + " crashed while loading (" + SignalName(outcome.signal) + ")";
    case LoadResult::kNotRun:
      return "not tried: " + outcome.problem;
  }
  return "";
}

}  // namespace lumora::odbc
