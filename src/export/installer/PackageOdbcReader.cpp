// Reading the ODBC part of an installer package for `lumora check --package`, as plain rows
// (export/PackageOdbc.h). Tables the package lacks read as empty; the summary information's
// platform is read through libmsi's own summary-information object.
#include <libmsi.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "export/ExportChoices.h"
#include "export/installer/InstallerReaders.h"
#include "export/installer/MsiDatabase.h"

namespace lumora::exporting {
namespace {

std::vector<std::vector<std::string>> Rows(MsiDatabase& db, const std::string& table,
                                           const std::vector<std::string>& columns) {
  std::vector<std::vector<std::string>> rows;
  if (!db.HasTable(table)) return rows;
  std::string select;
  for (const std::string& c : columns) select += (select.empty() ? "`" : ", `") + c + "`";
  db.Query("SELECT " + select + " FROM `" + table + "`", {},
           [&rows](const std::vector<std::string>& cells) { rows.push_back(cells); });
  return rows;
}

// "short|long" gives the long name; "target:source" the target.
std::string LongName(std::string text) {
  if (const size_t colon = text.find(':'); colon != std::string::npos) text.resize(colon);
  if (const size_t bar = text.find('|'); bar != std::string::npos) text = text.substr(bar + 1);
  return text;
}

// The Template of the summary information up to its ';', "" when the package has none.
std::string Platform(const std::string& path) {
  GError* error = nullptr;
  LibmsiDatabase* db = libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error);
  g_clear_error(&error);
  if (db == nullptr) return {};
  std::string platform;
  if (LibmsiSummaryInfo* info = libmsi_summary_info_new(db, 0, &error); info != nullptr) {
    const gchar* text = libmsi_summary_info_get_string(info, LIBMSI_PROPERTY_TEMPLATE, &error);
    if (text != nullptr) platform = text;
    g_object_unref(info);
  }
  g_clear_error(&error);
  g_object_unref(db);
  return platform.substr(0, platform.find(';'));
}

}  // namespace

PackageOdbc ReadPackageOdbc(const std::string& path) {
  // Refused by name before libmsi, which says only "failed" (and warns on stderr) for a file
  // that is not there and reads a folder or a device as it can.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    throw ExportError(path + ": no installer package there (" + std::strerror(errno) + ")");
  }
  if (!S_ISREG(st.st_mode)) {
    throw ExportError(path + ": not an installer package (not a regular file)");
  }
  MsiDatabase db(path, MsiDatabase::Mode::kRead);
  PackageOdbc out;
  out.path = path;
  for (auto& r : Rows(db, "Component", {"Component", "Directory_", "Attributes"})) {
    out.components[r[0]] = {r[1], std::strtol(r[2].c_str(), nullptr, 10)};
  }
  for (auto& r : Rows(db, "File", {"File", "Component_", "FileName"})) {
    out.files[r[0]] = {r[1], LongName(r[2])};
  }
  for (auto& r : Rows(db, "Directory", {"Directory"})) out.folders.insert(r[0]);
  for (auto& r :
       Rows(db, "ODBCDriver", {"Driver", "Component_", "Description", "File_", "File_Setup"})) {
    out.drivers.push_back({r[0], r[1], r[2], r[3], r[4], ""});
  }
  for (auto& r : Rows(db, "ODBCTranslator",
                      {"Translator", "Component_", "Description", "File_", "File_Setup"})) {
    out.translators.push_back({r[0], r[1], r[2], r[3], r[4], ""});
  }
  for (auto& r :
       Rows(db, "ODBCDataSource", {"DataSource", "Component_", "Description", "Registration"})) {
    out.dataSources.push_back({r[0], r[1], r[2], "", "", r[3]});
  }
  for (auto& r : Rows(db, "ODBCAttribute", {"Driver_", "Attribute"})) {
    out.driverAttributes.push_back({r[0], r[1]});
  }
  for (auto& r : Rows(db, "ODBCSourceAttribute", {"DataSource_", "Attribute"})) {
    out.sourceAttributes.push_back({r[0], r[1]});
  }
  out.hasSequence = db.HasTable("InstallExecuteSequence");
  for (auto& r : Rows(db, "InstallExecuteSequence", {"Action", "Sequence"})) {
    out.actions[r[0]] = std::atoi(r[1].c_str());
  }
  out.platform = Platform(path);
  return out;
}

}  // namespace lumora::exporting
