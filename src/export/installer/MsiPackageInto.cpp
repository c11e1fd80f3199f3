#include "export/installer/MsiPackageInto.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "export/installer/MsiDatabase.h"

namespace lumora::exporting {
namespace {

namespace fs = std::filesystem;

// Component.Attributes: the component stays installed when the product is uninstalled.
constexpr long kPermanentComponent = 16;

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// One .idt file read back: its table, columns, key columns and rows.
struct IdtTable {
  std::string file, name;
  std::vector<std::string> columns, keys;
  std::vector<std::vector<std::string>> rows;

  static IdtTable Parse(const OutputFile& file) {
    IdtTable t;
    t.file = file.name;
    std::vector<std::string> lines = Split(file.text, '\n');
    for (std::string& line : lines) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() < 3) return t;
    t.columns = Split(lines[0], '\t');
    const std::vector<std::string> header = Split(lines[2], '\t');
    t.name = header[0];
    t.keys.assign(header.begin() + 1, header.end());
    for (size_t i = 3; i < lines.size(); ++i) t.rows.push_back(Split(lines[i], '\t'));
    return t;
  }

  size_t Column(const std::string& column) const {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] == column) return i;
    }
    return columns.size();
  }

  std::vector<std::string> Key(const std::vector<std::string>& row) const {
    std::vector<std::string> key;
    for (const std::string& k : keys) key.push_back(row[Column(k)]);
    return key;
  }
};

std::string Join(const std::vector<std::string>& cells) {
  std::string text;
  for (const std::string& c : cells) text += (text.empty() ? "" : "/") + c;
  return text;
}

std::set<std::string> KeysIn(MsiDatabase& db, const std::string& table, const std::string& column) {
  std::set<std::string> keys;
  if (!db.HasTable(table)) return keys;
  db.Query("SELECT `" + column + "` FROM `" + table + "`", {},
           [&keys](const std::vector<std::string>& cells) { keys.insert(cells[0]); });
  return keys;
}

// A file made beside `target`, removed again unless Keep() was called.
class TemporaryBeside {
 public:
  explicit TemporaryBeside(const std::string& target, bool folder) {
    std::string pattern = (fs::path(target).parent_path() /
                           ("." + fs::path(target).filename().string() + ".lumora-XXXXXX"))
                              .string();
    if (folder) {
      if (::mkdtemp(pattern.data()) == nullptr) {
        throw ExportError(target + ": cannot make a temporary folder beside it");
      }
    } else {
      const int fd = ::mkstemp(pattern.data());
      if (fd < 0) throw ExportError(target + ": cannot make a temporary file beside it");
      ::close(fd);
    }
    path_ = pattern;
  }
  ~TemporaryBeside() {
    std::error_code ignored;
    if (!kept_) fs::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

}  // namespace

std::vector<std::string> WriteIntoPackage(const std::string& package, const ExportOutput& tables,
                                          ExistingRows existing) {
  std::error_code error;
  if (!fs::is_regular_file(package, error)) {
    throw ExportError(package + ": no installer package there (" +
                      (error ? error.message() : "not a regular file") + ")");
  }
  std::vector<IdtTable> parsed;
  for (const OutputFile& file : tables.files) parsed.push_back(IdtTable::Parse(file));

  TemporaryBeside copy(package, false);
  fs::copy_file(package, copy.path(), fs::copy_options::overwrite_existing, error);
  if (error) throw ExportError(package + ": cannot copy it: " + error.message());
  std::vector<std::string> report;
  {
    MsiDatabase db(copy.path(), MsiDatabase::Mode::kWrite);
    // Every File and Component the rows name must be in the package (or come with the rows).
    std::set<std::string> files = KeysIn(db, "File", "File");
    std::set<std::string> components = KeysIn(db, "Component", "Component");
    for (const IdtTable& t : parsed) {
      const size_t keyColumn = t.name == "File" ? t.Column("File") : t.Column("Component");
      for (const auto& row : t.rows) {
        if (t.name == "File") files.insert(row[keyColumn]);
        if (t.name == "Component") components.insert(row[keyColumn]);
      }
    }
    std::string missing;
    for (const IdtTable& t : parsed) {
      for (const auto& row : t.rows) {
        for (size_t c = 0; c < t.columns.size() && c < row.size(); ++c) {
          const std::string& column = t.columns[c];
          const bool file = column == "File_" || column == "File_Setup";
          if (row[c].empty() || (!file && column != "Component_")) continue;
          if ((file ? files : components).contains(row[c])) continue;
          missing += std::string(missing.empty() ? "" : "; ") + (file ? "File " : "Component ") +
                     row[c] + " (named by " + t.name + " " + Join(t.Key(row)) + ")";
        }
      }
    }
    if (!missing.empty()) {
      throw ExportError(package + " lacks " + missing +
                        "; the package must install the files the tables name");
    }
    // Rows whose keys are there already: refused, or removed to make room.
    std::string taken;
    for (const IdtTable& t : parsed) {
      if (t.name.empty() || t.name.starts_with('_') || t.keys.empty() || !db.HasTable(t.name)) {
        continue;
      }
      std::string where, select;
      for (const std::string& k : t.keys) {
        where += (where.empty() ? "`" : " AND `") + k + "` = ?";
        select += (select.empty() ? "`" : ", `") + k + "`";
      }
      std::set<std::vector<std::string>> present;
      db.Query("SELECT " + select + " FROM `" + t.name + "`", {},
               [&present](const std::vector<std::string>& cells) { present.insert(cells); });
      for (const auto& row : t.rows) {
        const std::vector<std::string> key = t.Key(row);
        if (!present.contains(key)) continue;
        if (existing == ExistingRows::kRefuse) {
          taken += (taken.empty() ? "" : ", ") + t.name + " " + Join(key);
        } else {
          db.Query("DELETE FROM `" + t.name + "` WHERE " + where, key);
        }
      }
    }
    if (!taken.empty()) {
      throw ExportError(package + " already has the rows " + taken +
                        "; nothing written (--force replaces them)");
    }
    TemporaryBeside folder(package, true);
    for (size_t i = 0; i < tables.files.size(); ++i) {
      const std::string idt = (fs::path(folder.path()) / tables.files[i].name).string();
      std::ofstream(idt, std::ios::binary) << tables.files[i].text;
      db.Import(idt);
      if (!parsed[i].file.starts_with('_')) {
        report.push_back(parsed[i].name + ": " + std::to_string(parsed[i].rows.size()) + " rows");
      }
    }
    // The components kept on uninstall are the tables' own: they are made permanent here, as the
    // WiX linker does for Permanent="yes" (wixl drops that attribute).
    for (const std::string& component : tables.permanentComponents) {
      std::string attributes;
      // Identifiers are ASCII letters, digits, `_` and `.`: they stand in the query as they are.
      const std::string where = " WHERE `Component` = '" + component + "'";
      db.Query("SELECT `Attributes` FROM `Component`" + where, {},
               [&attributes](const std::vector<std::string>& cells) { attributes = cells[0]; });
      const long before = attributes.empty() ? 0 : std::stol(attributes);
      if ((before & kPermanentComponent) != 0) continue;
      db.Query("UPDATE `Component` SET `Attributes` = " +
               std::to_string(before | kPermanentComponent) + where);
      report.push_back("Component " + component + ": marked permanent");
    }
    db.Commit();
  }
  fs::rename(copy.path(), package, error);
  if (error) throw ExportError(package + ": cannot replace it: " + error.message());
  copy.Keep();
  return report;
}

}  // namespace lumora::exporting
