#include "export/installer/MsiDatabase.h"

#include <libmsi.h>

#include "export/ExportChoices.h"

namespace lumora::exporting {
namespace {

template <class T>
struct Unref {
  void operator()(T* object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <class T>
using Owned = std::unique_ptr<T, Unref<T>>;

std::string Take(GError*& error) {
  std::string text = error != nullptr && error->message != nullptr ? error->message : "failed";
  g_clear_error(&error);
  return text;
}

}  // namespace

struct MsiDatabase::Handle {
  Owned<LibmsiDatabase> db;
};

MsiDatabase::MsiDatabase(const std::string& path, Mode mode, const std::string& shownAs)
    : path_(shownAs.empty() ? path : shownAs), handle_(std::make_unique<Handle>()) {
  GError* error = nullptr;
  const guint flags = mode == Mode::kRead ? LIBMSI_DB_FLAGS_READONLY : LIBMSI_DB_FLAGS_TRANSACT;
  handle_->db.reset(libmsi_database_new(path.c_str(), flags,
                                        mode == Mode::kRead ? nullptr : path.c_str(), &error));
  if (!handle_->db) {
    throw ExportError(path_ + ": not an installer package libmsi can open (" + Take(error) + ")");
  }
}

MsiDatabase::~MsiDatabase() = default;

bool MsiDatabase::HasTable(const std::string& table) {
  bool found = false;
  Query("SELECT `Name` FROM `_Tables` WHERE `Name` = ?", {table},
        [&found](const std::vector<std::string>&) { found = true; });
  return found;
}

std::vector<std::string> MsiDatabase::Columns(const std::string& table) {
  GError* error = nullptr;
  Owned<LibmsiQuery> query(
      libmsi_query_new(handle_->db.get(), ("SELECT * FROM `" + table + "`").c_str(), &error));
  if (!query) throw ExportError(path_ + ": table " + table + ": " + Take(error));
  Owned<LibmsiRecord> names(
      libmsi_query_get_column_info(query.get(), LIBMSI_COL_INFO_NAMES, &error));
  if (!names) throw ExportError(path_ + ": table " + table + ": " + Take(error));
  std::vector<std::string> columns;
  for (guint i = 1; i <= libmsi_record_get_field_count(names.get()); ++i) {
    gchar* name = libmsi_record_get_string(names.get(), i);
    columns.emplace_back(name != nullptr ? name : "");
    g_free(name);
  }
  return columns;
}

void MsiDatabase::Query(const std::string& sql, const std::vector<std::string>& parameters,
                        const std::function<void(const std::vector<std::string>&)>& row) {
  GError* error = nullptr;
  Owned<LibmsiQuery> query(libmsi_query_new(handle_->db.get(), sql.c_str(), &error));
  if (!query) throw ExportError(path_ + ": " + sql + ": " + Take(error));
  Owned<LibmsiRecord> bound;
  if (!parameters.empty()) {
    bound.reset(libmsi_record_new(static_cast<guint>(parameters.size())));
    for (size_t i = 0; i < parameters.size(); ++i) {
      libmsi_record_set_string(bound.get(), static_cast<guint>(i + 1), parameters[i].c_str());
    }
  }
  if (!libmsi_query_execute(query.get(), bound.get(), &error)) {
    throw ExportError(path_ + ": " + sql + ": " + Take(error));
  }
  if (row) {
    std::vector<std::string> cells;
    while (Owned<LibmsiRecord> record{libmsi_query_fetch(query.get(), nullptr)}) {
      const guint count = libmsi_record_get_field_count(record.get());
      cells.assign(count, std::string());
      for (guint i = 1; i <= count; ++i) {
        if (libmsi_record_is_null(record.get(), i)) continue;
        gchar* text = libmsi_record_get_string(record.get(), i);
        if (text != nullptr) cells[i - 1] = text;
        g_free(text);
      }
      row(cells);
    }
  }
  libmsi_query_close(query.get(), nullptr);
}

void MsiDatabase::Import(const std::string& idtPath) {
  GError* error = nullptr;
  if (!libmsi_database_import(handle_->db.get(), idtPath.c_str(), &error)) {
    const size_t slash = idtPath.rfind('/');
    throw ExportError(path_ + ": importing " +
                      (slash == std::string::npos ? idtPath : idtPath.substr(slash + 1)) + ": " +
                      Take(error));
  }
}

void MsiDatabase::Commit() {
  GError* error = nullptr;
  if (!libmsi_database_commit(handle_->db.get(), &error)) {
    throw ExportError(path_ + ": cannot write the package: " + Take(error));
  }
}

std::string MsiDatabase::Template() {
  GError* error = nullptr;
  Owned<LibmsiSummaryInfo> info(libmsi_summary_info_new(handle_->db.get(), 0, &error));
  if (!info) throw ExportError(path_ + ": cannot read its summary information: " + Take(error));
  const gchar* text = libmsi_summary_info_get_string(info.get(), LIBMSI_PROPERTY_TEMPLATE, &error);
  g_clear_error(&error);
  return text != nullptr ? text : "";
}

}  // namespace lumora::exporting
