// lumora show OBJECT: the stored choices, readably; the values of secret keys (see
// platform/odbc/ConnectionString.h) shown as *** unless --show-secrets.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <sstream>

#include "Command.h"
#include "contract/Failure.h"
#include "contract/MessageText.h"
#include "host/DesignObjectFile.h"
#include "host/StoredLists.h"
#include "platform/odbc/ConnectionString.h"

namespace lumora::cli {
namespace {

void PrintAttributes(std::ostringstream& out, const std::string& attributes, bool secrets) {
  std::istringstream lines(secrets ? attributes : odbc::MaskSecretLines(attributes));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << "        " << EscapeForMessage(line) << "\n";
  }
}

}  // namespace

void AddShowOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON)")->required();
  sub.add_flag("--show-secrets", invocation.showSecrets,
               "Show the values of secret attributes (PWD=, Password=, ...*Token=, ...) instead "
               "of ***");
}

ExitStatus RunShow(const Invocation& invocation) {
  const auto object = std::make_unique<DesignObjectFile>(DesignObjectFile::Load(invocation.object));
  CheckHostSettings(invocation);  // like every other command
  // What the wizard would load only in part is refused here too, not shown as something else.
  RefuseListsThatLoadInPart(*object, invocation.object, "nothing was shown");
  std::ostringstream out;
  out << "Design object: " << EscapeForMessage(invocation.object) << "\n";

  const Value version = object->GetProperty("DTDBVerNo");
  out << "Desktop database drivers: ";
  if (version.IsEmpty()) {
    out << "not stored (reads as 3.5)\n";
  } else {
    std::string v;
    try {
      const int32_t n = version.ToLong();
      v = n == 0 ? "3.5" : n == 1 ? "4.0" : n < 0 ? "not chosen" : "unknown";
      v += " (DTDBVerNo " + std::to_string(n) + ")";
    } catch (const Failure&) {
      v = "unreadable DTDBVerNo";
    }
    out << v << "\n";
  }

  const Value drivers = object->GetProperty("Drivers");
  const Value driversInfo = object->GetProperty("DriversInfo");
  const Value driversSelections = object->GetProperty("DriversSelections");
  out << "\nDrivers";
  if (drivers.IsEmpty()) {
    out << ": none stored\n";
  } else {
    out << ":\n";
    int shown = 0;
    for (int32_t i = 0; i <= StoredUpperBound(drivers); ++i) {
      const std::string name = StoredText(drivers, i);
      if (name.empty()) continue;
      ++shown;
      out << "  [" << (StoredFlag(driversSelections, i) ? 'x' : ' ') << "] "
          << EscapeForMessage(name) << "\n";
      PrintAttributes(out, StoredText(driversInfo, i), invocation.showSecrets);
    }
    if (shown == 0) out << "  (none selected)\n";
  }

  const Value sources = object->GetProperty("DataSources");
  const Value sourcesInfo = object->GetProperty("DataSourcesInfo");
  const Value sourcesTypes = object->GetProperty("DataSourcesTypes");
  const Value sourcesSelections = object->GetProperty("DataSourcesSelections");
  const Value sourcesUninstall = object->GetProperty("DataSourcesUninstFlags");
  out << "\nData sources";
  if (sources.IsEmpty()) {
    out << ": none stored\n";
  } else {
    out << ":\n";
    int shown = 0;
    for (int32_t i = 0; i <= StoredUpperBound(sources); ++i) {
      const std::string name = StoredText(sources, i);
      if (name.empty()) continue;
      ++shown;
      std::string type = StoredText(sourcesTypes, i);
      if (type.empty()) type = "user";
      out << "  [" << (StoredFlag(sourcesSelections, i) ? 'x' : ' ') << "] "
          << EscapeForMessage(name) << "  (" << EscapeForMessage(type)
          << (StoredFlag(sourcesUninstall, i) ? ", uninstalled with the application" : "") << ")\n";
      PrintAttributes(out, StoredText(sourcesInfo, i), invocation.showSecrets);
    }
    if (shown == 0) out << "  (none selected)\n";
  }
  const std::string text = out.str();
  std::fwrite(text.data(), 1, text.size(), stdout);
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
