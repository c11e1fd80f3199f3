// lumora check OBJECT [DSN...]: what would break an install of the stored choices, first the
// findings that need no connection, then (--drivers) whether each selected driver is installed
// here and its library loads, then one connection try per data source; each load and each try
// in a child process (see platform/odbc/TryProcess.h). The tries run side by side, as many as
// there are cores, and are printed in order; none starts after the overall deadline.
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "CheckFindings.h"
#include "Command.h"
#include "TargetFindings.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/SharedLibrary.h"
#include "export/InstallerFormats.h"
#include "host/DesignObjectFile.h"
#include "host/InstallTree.h"
#include "host/StoredLists.h"
#include "platform/odbc/ConnectionTry.h"
#include "platform/odbc/DriverLoad.h"
#include "platform/odbc/MachineDrivers.h"

namespace lumora::cli {
namespace {

// The default overall deadline, in per-try timeouts.
constexpr int kDeadlineTimeouts = 6;

std::vector<StoredItem> ReadItems(DesignObjectFile& object, const char* names, const char* infos,
                                  const char* selections) {
  const Value list = object.GetProperty(names);
  const Value info = object.GetProperty(infos);
  const Value selected = object.GetProperty(selections);
  std::vector<StoredItem> items;
  for (int32_t i = 0; i <= StoredUpperBound(list); ++i) {
    StoredItem item{StoredText(list, i), StoredText(info, i), StoredFlag(selected, i), i + 1};
    if (!item.name.empty()) items.push_back(std::move(item));
  }
  return items;
}

// lumora-odbc-try lies beside the component: beside lumora in the build, in the component's
// folder when installed.
std::string TryProgram() {
  const std::string program = std::string(odbc::kTryProgram) + kProgramSuffix;
  const std::vector<std::string> candidates =
      layout::ComponentCandidates(FolderOf(ProgramPath()), program);
  for (const std::string& candidate : candidates) {
    if (IsProgramFile(candidate)) return candidate;
  }
  return candidates.empty() ? program : candidates.back();
}

const char* ResultWord(odbc::TryResult result) {
  switch (result) {
    case odbc::TryResult::kConnected:
      return "connected";
    case odbc::TryResult::kFailed:
      return "failed";
    case odbc::TryResult::kNotInstalled:
      return "not installed";
    case odbc::TryResult::kNoAnswer:
      return "no answer";
    case odbc::TryResult::kCrashed:
      return "crashed";
    case odbc::TryResult::kCancelled:
      return "cancelled";
    case odbc::TryResult::kNotRun:
    case odbc::TryResult::kPastDeadline:
      return "not tried";
    case odbc::TryResult::kRefused:
      return "refused";
    case odbc::TryResult::kMissingFile:
      return "missing file";
  }
  return "";
}

nlohmann::json AsJson(const std::string& name, const odbc::TryOutcome& o) {
  nlohmann::json j = {{"dataSource", name}, {"result", ResultWord(o.result)}, {"driver", o.driver}};
  if (!o.connection.empty()) j["connection"] = o.connection;
  if (o.result == odbc::TryResult::kConnected) {
    j["dbms"] = {{"name", o.dbmsName}, {"version", o.dbmsVersion}};
    j["driverFile"] = {{"name", o.driverFile}, {"version", o.driverVersion}};
  }
  if (!o.diagnostics.empty()) {
    j["diagnostics"] = nlohmann::json::array();
    for (const odbc::Diagnostic& d : o.diagnostics) {
      j["diagnostics"].push_back(
          {{"sqlstate", d.state}, {"native", d.native}, {"message", d.message}});
    }
  }
  if (o.result == odbc::TryResult::kCrashed) j["signal"] = odbc::SignalName(o.signal);
  if (o.result == odbc::TryResult::kNoAnswer) j["seconds"] = o.seconds;
  if (!o.problem.empty()) j["problem"] = o.problem;
  if (!o.errors.empty() || o.errorsCut > 0) {
    j["stderr"] = {{"text", o.errors}, {"bytesCut", o.errorsCut}};
  }
  j["text"] = odbc::DescribeOutcome(o);
  return j;
}

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

nlohmann::json AsJson(const std::string& name, const odbc::LoadOutcome& o) {
  nlohmann::json j = {{"driver", name}, {"result", odbc::LoadResultWord(o.result)}};
  if (!o.installedAs.empty()) j["installedAs"] = o.installedAs;
  if (!o.library.empty()) j["library"] = o.library;
  if (o.result == odbc::LoadResult::kCrashed) j["signal"] = odbc::SignalName(o.signal);
  if (o.result == odbc::LoadResult::kNoAnswer) j["seconds"] = o.seconds;
  if (!o.problem.empty()) j["problem"] = o.problem;
  j["text"] = odbc::DescribeLoad(o);
  return j;
}

std::string Dump(const nlohmann::json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

CLI::Validator SecondsFrom1To(int most) {
  return CLI::Validator(
      [most](const std::string& value) -> std::string {
        int seconds = 0;
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, seconds);
        if (error != std::errc() || stop != end || seconds < 1 || seconds > most) {
          return "'" + value + "' is not a whole number of seconds from 1 to " +
                 std::to_string(most);
        }
        return {};
      },
      "");
}

// Tries `sources` side by side, at most as many at once as there are cores, and hands each
// outcome to `print` in the order of `sources` as soon as it and those before it are known.
void TryInOrder(const std::vector<const StoredItem*>& sources,
                const std::vector<odbc::InstalledDriver>& installed,
                const odbc::TrySettings& settings,
                const std::function<void(const StoredItem&, const odbc::TryOutcome&)>& print) {
  std::vector<odbc::TryOutcome> outcomes(sources.size());
  std::vector<bool> known(sources.size(), false);
  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;
  auto work = [&] {
    while (true) {
      size_t mine = 0;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (next == sources.size()) return;
        mine = next++;
      }
      odbc::TryOutcome outcome = odbc::TryDataSource(sources[mine]->lines, installed, settings);
      std::lock_guard<std::mutex> lock(mutex);
      outcomes[mine] = std::move(outcome);
      known[mine] = true;
      changed.notify_all();
    }
  };
  const size_t workers =
      std::min<size_t>(sources.size(), std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::jthread> threads;
  for (size_t i = 0; i < workers; ++i) threads.emplace_back(work);
  for (size_t i = 0; i < sources.size(); ++i) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return known[i]; });
    const odbc::TryOutcome outcome = std::move(outcomes[i]);
    lock.unlock();
    print(*sources[i], outcome);
  }
}

// Prints the findings, each after the file it is about; true when one counts against the exit
// status (an error, or a warning with --strict).
bool Report(const std::vector<Finding>& findings, const Invocation& invocation) {
  bool counted = false;
  for (const Finding& f : findings) {
    const bool warning = f.severity == Severity::kWarning;
    counted = counted || !warning || invocation.strict;
    const std::string& file = f.file.empty() ? invocation.object : f.file;
    if (invocation.json) {
      nlohmann::json j = {{"finding", f.message},
                          {"item", f.item},
                          {"text", f.Text()},
                          {"severity", warning ? "warning" : "error"},
                          {"file", file}};
      if (f.line > 0) j["line"] = f.line;
      PrintLine(Dump(j));
    } else {
      PrintLine(EscapeForMessage(file) + ": " + (warning ? "warning: " : "") + f.Text());
    }
  }
  return counted;
}

// The package's ODBC part, read through the installer-format library; null without --package.
std::unique_ptr<exporting::PackageOdbc> ReadPackage(const Invocation& invocation) {
  if (invocation.package.empty()) return nullptr;
  return std::make_unique<exporting::PackageOdbc>(
      exporting::LoadInstallerFormats().readPackageOdbc(invocation.package));
}

}  // namespace

void AddCheckOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object,
                 "The design-object file (JSON); may be left out with --package");
  sub.add_option("DSN", invocation.names,
                 "Data sources to try (stored names); default: every selected one")
      ->type_name("NAME");
  sub.add_flag("--no-connect", invocation.noConnect,
               "Only the checks that need no connection: lines, drivers, names");
  sub.add_flag("--drivers", invocation.drivers,
               "Also report each selected driver: installed here or not (by name, else by its "
               "library's file name) and, when installed, whether its library loads (in a child "
               "process, killed at the timeout); done with --no-connect too");
  sub.add_flag("--json", invocation.json,
               "One JSON object per finding, per driver and per data source");
  sub.add_option("--package", invocation.package,
                 "Also check this installer package (.msi) as the target's installer reads it: "
                 "the files of the selected drivers, ODBC rows naming components, files or "
                 "folders it lacks, the ODBC actions, 64-bit components against its platform; "
                 "without OBJECT, the package alone")
      ->type_name("PKG");
  sub.add_flag("--strict", invocation.strict,
               "Warnings (what only breaks on Windows) count as findings for the exit status");
  sub.add_option("--timeout", invocation.timeoutSeconds,
                 "Seconds, 1 to 3600, a try or a load may take before it is killed (default 10)")
      ->type_name("SECONDS")
      ->check(SecondsFrom1To(3600));
  sub.add_option("--deadline", invocation.deadlineSeconds,
                 "Seconds, 1 to 86400, the loads and tries may take in all; what has not ended by "
                 "then is reported as not tried (default " +
                     std::to_string(kDeadlineTimeouts) + " times the timeout)")
      ->type_name("SECONDS")
      ->check(SecondsFrom1To(86400));
  sub.footer(
      "Findings about the target are warnings: a data source's Driver= that is no Windows "
      "file, values holding POSIX paths, secrets the package would carry in clear; they leave "
      "the exit status alone unless --strict. What --package finds is an error.\n"
      "Exit status: 0 when nothing but warnings was found, every driver reported loads or is not "
      "installed here (the install brings it) and every data source tried connected or has a "
      "driver not installed here (not tried); 1 when a finding other than a warning was printed "
      "(a warning too with --strict), an installed driver's library did not load (missing, not "
      "an ODBC driver, crashed, no answer) or a data source did not connect or was not tried (a "
      "line the connection string refuses, a missing database file, the deadline); 2 for bad "
      "usage, an unreadable object or package, or a DSN the object does not store.");
}

ExitStatus RunCheck(const Invocation& invocation) {
  if (invocation.object.empty()) {
    if (invocation.package.empty()) {
      throw HostError::BadInput("check needs an OBJECT, a --package or both (lumora check --help)");
    }
    const auto package = ReadPackage(invocation);
    return Report(FindPackageProblems(nullptr, *package), invocation) ? ExitStatus::kComponentNo
                                                                      : ExitStatus::kDone;
  }
  const auto object = std::make_unique<DesignObjectFile>(DesignObjectFile::Load(invocation.object));
  StoredChoices choices{
      ReadItems(*object, "Drivers", "DriversInfo", "DriversSelections"),
      ReadItems(*object, "DataSources", "DataSourcesInfo", "DataSourcesSelections")};
  std::vector<const StoredItem*> toTry;
  for (const std::string& wanted : invocation.names) {
    const StoredItem* found = nullptr;
    for (const StoredItem& s : choices.dataSources) {
      if (s.name == wanted) found = &s;
    }
    if (found == nullptr) {
      throw HostError::BadInput(invocation.object + ": no data source \"" +
                                EscapeForMessage(wanted) +
                                "\" is stored (names are compared exactly)");
    }
    toTry.push_back(found);
  }
  if (invocation.names.empty()) {
    for (const StoredItem& s : choices.dataSources) {
      if (s.selected) toTry.push_back(&s);
    }
  }

  const std::vector<odbc::InstalledDriver> installed =
      odbc::LoadMachineDrivers([](const std::string& warning) { PrintError(warning); });
  const auto package = ReadPackage(invocation);
  bool allWell = !Report(FindProblems(choices, installed), invocation);
  allWell = !Report(FindTargetProblems(choices), invocation) && allWell;
  if (package) allWell = !Report(FindPackageProblems(&choices, *package), invocation) && allWell;
  const int deadline = invocation.deadlineSeconds > 0
                           ? invocation.deadlineSeconds
                           : kDeadlineTimeouts * invocation.timeoutSeconds;
  const odbc::TrySettings settings{
      TryProgram(), invocation.timeoutSeconds, nullptr,
      std::chrono::steady_clock::now() + std::chrono::seconds(deadline)};
  for (const StoredItem& driver : choices.drivers) {
    if (!invocation.drivers || !driver.selected) continue;
    const odbc::LoadOutcome outcome =
        odbc::TryLoadingDriver(driver.name, ValueOf(driver, "Driver"), installed, settings);
    if (outcome.result != odbc::LoadResult::kLoaded &&
        outcome.result != odbc::LoadResult::kNotInstalled) {
      allWell = false;
    }
    // What is tried is this machine's driver of the name, never the file the package ships.
    std::string tried;
    if (outcome.result != odbc::LoadResult::kNotInstalled) {
      const std::string ships = ValueOf(driver, "Driver");
      tried = "this machine's driver was tried, not the file that ships" +
              (ships.empty() ? std::string() : " (" + ships + ")");
    }
    nlohmann::json j = AsJson(driver.name, outcome);
    if (!tried.empty()) j["tried"] = tried;
    PrintLine(invocation.json ? Dump(j)
                              : "driver \"" + EscapeForMessage(driver.name) +
                                    "\": " + EscapeForMessage(odbc::DescribeLoad(outcome)) +
                                    (tried.empty() ? "" : "; " + EscapeForMessage(tried)));
  }
  if (invocation.noConnect) return allWell ? ExitStatus::kDone : ExitStatus::kComponentNo;
  if (toTry.empty()) {  // a silent success would read as "every data source connected"
    PrintError(invocation.object + ": stores no selected data source: none tried");
  }

  TryInOrder(toTry, installed, settings,
             [&](const StoredItem& source, const odbc::TryOutcome& outcome) {
               if (outcome.result != odbc::TryResult::kConnected &&
                   outcome.result != odbc::TryResult::kNotInstalled) {
                 allWell = false;
               }
               PrintLine(invocation.json ? Dump(AsJson(source.name, outcome))
                                         : EscapeForMessage(source.name) + ": " +
                                               EscapeForMessage(odbc::DescribeOutcome(outcome)));
             });
  return allWell ? ExitStatus::kDone : ExitStatus::kComponentNo;
}

}  // namespace lumora::cli
