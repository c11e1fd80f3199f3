#include "platform/odbc/ConnectionTry.h"

#include <cstring>
#include <sstream>

#include "platform/odbc/TryProcess.h"

namespace lumora::odbc {
namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

void ReadAnswer(const std::string& text, const std::vector<Attribute>& attributes,
                TryOutcome& outcome) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> f = Fields(MaskSecrets(line, attributes));
    if (f[0] == "connected") {
      outcome.result = TryResult::kConnected;
    } else if (f[0] == "failed") {
      outcome.result = TryResult::kFailed;
    } else if (f[0] == "dbms" && f.size() >= 3) {
      outcome.dbmsName = f[1];
      outcome.dbmsVersion = f[2];
    } else if (f[0] == "driver" && f.size() >= 3) {
      outcome.driverFile = f[1];
      outcome.driverVersion = f[2];
    } else if (f[0] == "diag" && f.size() >= 4) {
      std::string message = f[3];
      while (!message.empty() && message.back() == ' ') message.pop_back();
      outcome.diagnostics.push_back({f[1], std::strtol(f[2].c_str(), nullptr, 10), message});
    }
  }
}

}  // namespace

TryOutcome TryConnection(const std::string& connectionString,
                         const std::vector<Attribute>& attributes, const TrySettings& settings) {
  TryOutcome outcome;
  const TryRun run = RunTryProgram(settings.program, {}, connectionString + "\n",
                                   settings.timeoutSeconds, settings.cancel);
  if (!run.started) {
    outcome.problem = run.problem;
  } else if (run.cancelled) {
    outcome.result = TryResult::kCancelled;
  } else if (run.late) {
    outcome.result = TryResult::kNoAnswer;
    outcome.seconds = settings.timeoutSeconds;
  } else if (run.signal != 0) {
    outcome.result = TryResult::kCrashed;
    outcome.signal = run.signal;
  } else {
    ReadAnswer(run.answer, attributes, outcome);
    if (outcome.result == TryResult::kNotRun) {
      outcome.problem =
          settings.program + " gave no answer (exit status " + std::to_string(run.exitStatus) + ")";
    }
  }
  return outcome;
}

std::vector<Attribute> ConnectionAttributes(const std::string& attributeLines) {
  std::vector<Attribute> attributes;
  std::istringstream lines(attributeLines);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    Attribute a{line.substr(0, eq), line.substr(eq + 1)};
    if (SameIgnoringAsciiCase(a.key, "Driver") || SameIgnoringAsciiCase(a.key, "DriverName")) {
      continue;
    }
    attributes.push_back(std::move(a));
  }
  return attributes;
}

TryOutcome TryDataSource(const std::string& attributeLines,
                         const std::vector<InstalledDriver>& installed,
                         const TrySettings& settings) {
  std::string driverName, driverLine;
  std::istringstream lines(attributeLines);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    if (SameIgnoringAsciiCase(key, "DriverName") && driverName.empty())
      driverName = line.substr(eq + 1);
    if (SameIgnoringAsciiCase(key, "Driver") && driverLine.empty())
      driverLine = line.substr(eq + 1);
  }
  const std::vector<Attribute> attributes = ConnectionAttributes(attributeLines);
  const InstalledDriver* driver = FindInstalledDriver(installed, driverName, driverLine);
  if (driver == nullptr) {
    TryOutcome outcome;
    outcome.result = TryResult::kNotInstalled;
    outcome.driver = !driverName.empty() ? driverName : driverLine;
    return outcome;
  }
  TryOutcome outcome =
      TryConnection(ConnectionString(driver->name, attributes), attributes, settings);
  outcome.driver = driver->name;
  outcome.connection = MaskedConnectionString(driver->name, attributes);
  return outcome;
}

namespace {

std::string DiagnosticText(const Diagnostic& d) {
  return "[" + d.state + "] (native " + std::to_string(d.native) + ") " + d.message;
}

std::string Version(const std::string& name, const std::string& version) {
  return version.empty() ? name : name + " " + version;
}

}  // namespace

std::string DescribeOutcome(const TryOutcome& outcome) {
  switch (outcome.result) {
    case TryResult::kConnected:
      return "connected: " + Version(outcome.dbmsName, outcome.dbmsVersion) + "; driver " +
             Version(outcome.driverFile, outcome.driverVersion);
    case TryResult::kFailed: {
      std::string text = "failed:";
      for (size_t i = 0; i < outcome.diagnostics.size(); ++i) {
        text += (i == 0 ? " " : "; ") + DiagnosticText(outcome.diagnostics[i]);
      }
      if (outcome.diagnostics.empty()) text += " no diagnostic";
      return text;
    }
    case TryResult::kNotInstalled:
      return "driver \"" + outcome.driver + "\" not installed on this machine: not tried";
    case TryResult::kNoAnswer:
      return "no answer in " + std::to_string(outcome.seconds) + " s";
    case TryResult::kCrashed:
      return "the driver crashed (" + SignalName(outcome.signal) + ")";
    case TryResult::kCancelled:
      return "cancelled";
    case TryResult::kNotRun:
      return "not tried: " + outcome.problem;
  }
  return "";
}

std::string DescribeOutcomeForPerson(const TryOutcome& outcome, const std::string& dataSource) {
  switch (outcome.result) {
    case TryResult::kConnected:
      return "'" + dataSource + "' connected to " + Version(outcome.dbmsName, outcome.dbmsVersion) +
             " through " + Version(outcome.driverFile, outcome.driverVersion) + ".";
    case TryResult::kFailed: {
      std::string text = "'" + dataSource + "' did not connect:";
      for (const Diagnostic& d : outcome.diagnostics) text += "\n" + DiagnosticText(d);
      return text;
    }
    case TryResult::kNotInstalled:
      return "The driver \"" + outcome.driver + "\" of '" + dataSource +
             "' is not installed on this machine: not tried.";
    default:
      return "'" + dataSource + "': " + DescribeOutcome(outcome) + ".";
  }
}

}  // namespace lumora::odbc
