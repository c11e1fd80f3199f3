#include "platform/odbc/ConnectionTry.h"
#include "contract/Text.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "platform/odbc/MachineDrivers.h"
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
  const TryRun run = RunTryProgram(settings.program, {}, connectionString + "\n", settings);
  outcome.errors = MaskSecrets(run.errors, attributes);
  outcome.errorsCut = run.errorsCut;
  if (run.pastDeadline) {
    outcome.result = TryResult::kPastDeadline;
  } else if (!run.started) {
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

namespace {

struct NumberedAttribute {
  int line = 0;
  Attribute attribute;
};

// The KEY=value lines of a data source, numbered from 1; lines without "=" are left out.
std::vector<NumberedAttribute> AttributeLines(const std::string& attributeLines) {
  std::vector<NumberedAttribute> out;
  std::istringstream lines(attributeLines);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    out.push_back({number, {line.substr(0, eq), line.substr(eq + 1)}});
  }
  return out;
}

// What a try does with a driver's own keys that would load code or write a file where the
// object says, by a part of its library's file name (ASCII case ignored): those keys are left
// out, and where the driver creates a missing database, the try sets its no-create key and says
// the file is missing instead.
struct DriverCaution {
  std::string_view library;
  std::vector<std::string_view> leftOut;
  std::string_view database;  // the key naming a database file the driver would create
  std::string_view noCreate;  // the key that stops it
};

const DriverCaution* CautionFor(const InstalledDriver& driver) {
  static const std::vector<DriverCaution> kCautions = {
      {"sqlite", {"LoadExt", "Tracefile", "NoCreat"}, "Database", "NoCreat"},
      {"psqlodbc", {"Debug", "CommLog"}, "", ""},
  };
  // The library the driver manager loads: Driver64= before Driver= on a 64-bit system.
  const std::string library =
      !driver.Entry("Driver64").empty() ? driver.Entry("Driver64") : driver.Entry("Driver");
  std::string file(FileNameOf(library));
  for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const DriverCaution& caution : kCautions) {
    if (file.find(caution.library) != std::string::npos) return &caution;
  }
  return nullptr;
}

}  // namespace

std::vector<Attribute> ConnectionAttributes(const std::string& attributeLines) {
  std::vector<Attribute> attributes;
  for (NumberedAttribute& a : AttributeLines(attributeLines)) {
    if (!KeyRefusal(a.attribute.key).empty() || SameKey(a.attribute.key, "Driver") ||
        SameKey(a.attribute.key, "DriverName")) {
      continue;
    }
    attributes.push_back(std::move(a.attribute));
  }
  return attributes;
}

TryOutcome TryDataSource(const std::string& attributeLines,
                         const std::vector<InstalledDriver>& installed,
                         const TrySettings& settings) {
  TryOutcome outcome;
  std::string driverName, driverLine;
  bool named = false, filed = false;
  for (const NumberedAttribute& a : AttributeLines(attributeLines)) {
    const std::string refusal = KeyRefusal(a.attribute.key);
    if (!refusal.empty()) {
      outcome.result = TryResult::kRefused;
      outcome.problem = "line " + std::to_string(a.line) + " \"" +
                        EscapeForMessage(a.attribute.key) + "=...\" " + EscapeForMessage(refusal) +
                        "; it never goes into a connection string";
      return outcome;
    }
    if (SameKey(a.attribute.key, "DriverName") && !named) {
      driverName = a.attribute.value;
      named = true;
    }
    if (SameKey(a.attribute.key, "Driver") && !filed) {
      driverLine = a.attribute.value;
      filed = true;
    }
  }
  const InstalledDriver* driver = FindInstalledDriver(installed, driverName, driverLine);
  if (driver == nullptr) {
    outcome.result = TryResult::kNotInstalled;
    outcome.driver = !driverName.empty() ? driverName : driverLine;
    return outcome;
  }
  outcome.driver = driver->name;
  // Without a library of its own the driver manager would load the driver's name as one.
  if (driver->Entry("Driver").empty() && driver->Entry("Driver64").empty()) {
    outcome.result = TryResult::kRefused;
    outcome.problem = "the installed driver \"" + driver->name + "\" has no Driver= entry in " +
                      MachineDriversPlace();
    return outcome;
  }
  std::vector<Attribute> attributes = ConnectionAttributes(attributeLines);
  if (const DriverCaution* caution = CautionFor(*driver)) {
    std::erase_if(attributes, [&](const Attribute& a) {
      return std::any_of(caution->leftOut.begin(), caution->leftOut.end(),
                         [&](std::string_view key) { return SameKey(a.key, key); });
    });
    if (!caution->database.empty()) {
      for (const Attribute& a : attributes) {
        struct stat file {};
        if (SameKey(a.key, caution->database) && !a.value.empty() && a.value != ":memory:" &&
            ::stat(a.value.c_str(), &file) != 0) {
          outcome.result = TryResult::kMissingFile;
          outcome.problem = a.value;
          return outcome;
        }
      }
      attributes.push_back({std::string(caution->noCreate), "1"});
    }
  }
  TryOutcome tried =
      TryConnection(ConnectionString(driver->name, attributes), attributes, settings);
  tried.driver = driver->name;
  tried.connection = MaskedConnectionString(driver->name, attributes);
  return tried;
}

namespace {

std::string DiagnosticText(const Diagnostic& d) {
  return "[" + d.state + "] (native " + std::to_string(d.native) + ") " + d.message;
}

std::string Version(const std::string& name, const std::string& version) {
  return version.empty() ? name : name + " " + version;
}

std::string DescribeResult(const TryOutcome& outcome) {
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
    case TryResult::kRefused:
      return "not tried: " + outcome.problem;
    case TryResult::kMissingFile:
      return "not tried: the database file \"" + outcome.problem +
             "\" is missing (the driver would create it)";
    case TryResult::kPastDeadline:
      return "not tried: the deadline passed";
  }
  return "";
}

}  // namespace

std::string DescribeOutcome(const TryOutcome& outcome) {
  std::string text = DescribeResult(outcome);
  if (!outcome.errors.empty() || outcome.errorsCut > 0) {
    text += "; the driver wrote on standard error: \"" + outcome.errors + "\"";
    if (outcome.errorsCut > 0)
      text += " (" + std::to_string(outcome.errorsCut) + " bytes more cut)";
  }
  return text;
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
