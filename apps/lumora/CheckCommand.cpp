// lumora check OBJECT [DSN...]: what would break an install of the stored choices, first the
// findings that need no connection, then one connection try per data source, each in a child
// process (see platform/odbc/ConnectionTry.h).
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "CheckFindings.h"
#include "Command.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "host/DesignObjectFile.h"
#include "host/InstallTree.h"
#include "host/StoredLists.h"
#include "platform/odbc/ConnectionTry.h"

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
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  self.resize(n > 0 ? static_cast<size_t>(n) : 0);
  const std::vector<std::string> candidates =
      layout::ComponentCandidates(FolderOf(self), odbc::kTryProgram);
  for (const std::string& candidate : candidates) {
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return candidates.empty() ? odbc::kTryProgram : candidates.back();
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

std::string Dump(const nlohmann::json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

void AddCheckOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON)")->required();
  sub.add_option("DSN", invocation.names,
                 "Data sources to try (stored names); default: every selected one");
  sub.add_flag("--no-connect", invocation.noConnect,
               "Only the checks that need no connection: lines, drivers, names");
  sub.add_flag("--json", invocation.json, "One JSON object per finding and per data source");
  sub.add_option("--timeout", invocation.timeoutSeconds,
                 "Seconds a try may take before it is killed (default 10)")
      ->check(CLI::Range(1, 3600));
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
  if (invocation.noConnect) return allWell ? ExitStatus::kDone : ExitStatus::kComponentNo;

  const odbc::TrySettings settings{TryProgram(), invocation.timeoutSeconds, nullptr};
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
