// lumora check OBJECT [DSN...]: what would break an install of the stored choices, first the
// findings that need no connection, then (--drivers) whether each selected driver is installed
// here and its library loads, then one connection try per data source; each load and each try
// in a child process (see platform/odbc/TryProcess.h).
#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "CheckFindings.h"
#include "Command.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/SharedLibrary.h"
#include "host/DesignObjectFile.h"
#include "host/InstallTree.h"
#include "host/StoredLists.h"
#include "platform/odbc/ConnectionTry.h"
#include "platform/odbc/DriverLoad.h"

namespace lumora::cli {
namespace {

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
      return "not tried";
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

}  // namespace

void AddCheckOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON)")->required();
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
  sub.add_option("--timeout", invocation.timeoutSeconds,
                 "Seconds, 1 to 3600, a try or a load may take before it is killed (default 10)")
      ->type_name("SECONDS")
      ->check(CLI::Validator(
          [](const std::string& value) -> std::string {
            int seconds = 0;
            const char* end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data(), end, seconds);
            if (error != std::errc() || stop != end || seconds < 1 || seconds > 3600) {
              return "'" + value + "' is not a whole number of seconds from 1 to 3600";
            }
            return {};
          },
          ""));
  sub.footer(
      "Exit status: 0 when nothing was found, every driver reported loads or is not installed "
      "here (the install brings it) and every data source tried connected or has a driver not "
      "installed here (not tried); 1 when a finding was printed, an installed driver's library "
      "did not load (missing, not an ODBC driver, crashed, no answer) or a data source did not "
      "connect; 2 for bad usage, an unreadable object or a DSN the object does not store.");
}

ExitStatus RunCheck(const Invocation& invocation) {
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

  const std::vector<odbc::InstalledDriver> installed = odbc::LoadInstalledDrivers();
  bool allWell = true;
  for (const Finding& f : FindProblems(choices, installed)) {
    allWell = false;
    if (invocation.json) {
      nlohmann::json j = {{"finding", f.message}, {"item", f.item}, {"text", f.Text()}};
      if (f.line > 0) j["line"] = f.line;
      PrintLine(Dump(j));
    } else {
      PrintLine(EscapeForMessage(invocation.object) + ": " + f.Text());
    }
  }
  const odbc::TrySettings settings{TryProgram(), invocation.timeoutSeconds, nullptr};
  for (const StoredItem& driver : choices.drivers) {
    if (!invocation.drivers || !driver.selected) continue;
    const odbc::LoadOutcome outcome =
        odbc::TryLoadingDriver(driver.name, ValueOf(driver, "Driver"), installed, settings);
    if (outcome.result != odbc::LoadResult::kLoaded &&
        outcome.result != odbc::LoadResult::kNotInstalled) {
      allWell = false;
    }
    PrintLine(invocation.json ? Dump(AsJson(driver.name, outcome))
                              : "driver \"" + EscapeForMessage(driver.name) +
                                    "\": " + EscapeForMessage(odbc::DescribeLoad(outcome)));
  }
  if (invocation.noConnect) return allWell ? ExitStatus::kDone : ExitStatus::kComponentNo;
  if (toTry.empty()) {  // a silent success would read as "every data source connected"
    PrintError(invocation.object + ": stores no selected data source: none tried");
  }

  for (const StoredItem* source : toTry) {
    const odbc::TryOutcome outcome = odbc::TryDataSource(source->lines, installed, settings);
    if (outcome.result != odbc::TryResult::kConnected &&
        outcome.result != odbc::TryResult::kNotInstalled) {
      allWell = false;
    }
    PrintLine(invocation.json ? Dump(AsJson(source->name, outcome))
                              : EscapeForMessage(source->name) + ": " +
                                    EscapeForMessage(odbc::DescribeOutcome(outcome)));
  }
  return allWell ? ExitStatus::kDone : ExitStatus::kComponentNo;
}

}  // namespace lumora::cli
