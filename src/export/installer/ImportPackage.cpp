// Reading an installer package's ODBC tables back into stored choices. A driver's File_ and
// File_Setup become Driver= (Translator=) and Setup= lines: the file's long name in its folder,
// found through the File, Component and Directory tables, under the path symbol of that folder
// when it is one of the host's. Registration 0 is a system data source, 1 a user one; a data source
// whose component is permanent (Component.Attributes bit 16) is kept on uninstall.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_map>

#include "export/installer/InstallerReaders.h"
#include "export/installer/MsiDatabase.h"

namespace lumora::exporting {
namespace {

constexpr int kPermanentComponent = 16;

struct Folder {
  std::string parent;
  std::string name;  // the target name ("." for the parent itself)
};

// "short|long" gives the long name; "target:source" the target.
std::string LongName(std::string text) {
  if (const size_t colon = text.find(':'); colon != std::string::npos) text.resize(colon);
  if (const size_t bar = text.find('|'); bar != std::string::npos) text = text.substr(bar + 1);
  return text;
}

class PackageReader {
 public:
  PackageReader(const std::string& path, const FolderSet& folders)
      : path_(path), folders_(folders), db_(path, MsiDatabase::Mode::kRead) {}

  ImportedChoices Read() {
    ReadLayout();
    ImportedChoices out;
    ReadDrivers("ODBCDriver", "Driver", "Driver", out.drivers);
    ReadDrivers("ODBCTranslator", "Translator", "Translator", out.translators);
    ReadSources(out.dataSources);
    // Its 64-bit folders (System64Folder, ...) read back as the path symbols of the 32-bit ones.
    const std::string templ = db_.Template();
    const std::string platform = templ.substr(0, templ.find(';'));
    out.notes.push_back(path_ + ": " +
                        (platform == "x64" || platform == "Intel64" || platform == "Arm64"
                             ? "a 64-bit package (x64"
                             : "a 32-bit package (x86") +
                        ", Template \"" + templ + "\")");
    return out;
  }

 private:
  // Rows of `table` as maps from the named columns; none when the package lacks the table,
  // refused when it lacks a column.
  std::vector<std::vector<std::string>> Rows(const std::string& table,
                                             const std::vector<std::string>& columns) {
    if (!db_.HasTable(table)) return {};
    const std::vector<std::string> present = db_.Columns(table);
    std::string select;
    for (const std::string& c : columns) {
      if (std::find(present.begin(), present.end(), c) == present.end()) {
        throw ImportError(path_ + ": table " + table + " has no column " + c +
                          " (an ODBC table of another layout)");
      }
      select += (select.empty() ? "`" : ", `") + c + "`";
    }
    std::vector<std::vector<std::string>> rows;
    db_.Query("SELECT " + select + " FROM `" + table + "`", {},
              [&rows](const std::vector<std::string>& cells) { rows.push_back(cells); });
    return rows;
  }

  void ReadLayout() {
    for (auto& r : Rows("Directory", {"Directory", "Directory_Parent", "DefaultDir"})) {
      directories_[r[0]] = {r[1], LongName(r[2])};
    }
    for (auto& r : Rows("Component", {"Component", "Directory_", "Attributes"})) {
      componentFolder_[r[0]] = r[1];
      if (!r[2].empty() && (std::strtol(r[2].c_str(), nullptr, 10) & kPermanentComponent) != 0)
        permanent_.insert(r[0]);
    }
    for (auto& r : Rows("File", {"File", "Component_", "FileName"})) {
      files_[r[0]] = {r[1], LongName(r[2])};
    }
  }

  // The Windows path of a folder of the Directory table: its host folder property and the
  // names below it.
  std::string FolderPath(const std::string& id) {
    std::vector<std::string> names;
    std::string at = id;
    for (int depth = 0; depth < 256 && !at.empty(); ++depth) {
      const std::string base = FolderPropertyPath(at, folders_);
      if (!base.empty()) {
        std::string path = base;
        for (auto it = names.rbegin(); it != names.rend(); ++it) path += *it + "\\";
        return path;
      }
      auto found = directories_.find(at);
      if (found == directories_.end() || found->second.parent.empty()) break;
      if (found->second.name != "." && !found->second.name.empty()) {
        names.push_back(found->second.name);
      }
      at = found->second.parent;
    }
    std::string path;  // under the target folder: kept relative
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += *it + "\\";
    return path;
  }

  std::string FilePath(const std::string& key, const std::string& where) {
    auto file = files_.find(key);
    if (file == files_.end()) {
      throw ImportError(where + ": names file " + key + ", which the File table lacks");
    }
    auto folder = componentFolder_.find(file->second.first);
    const std::string dir = folder == componentFolder_.end() ? "" : FolderPath(folder->second);
    return ToSymbolPath(dir + file->second.second, folders_);
  }

  void ReadDrivers(const std::string& table, const std::string& key, const char* fileLine,
                   std::vector<ImportedItem>& out) {
    const auto rows = Rows(table, {key, "Description", "File_", "File_Setup"});
    std::unordered_map<std::string, std::vector<AttributeLine>> attributes;
    if (table == "ODBCDriver" && !rows.empty()) {
      for (auto& r : Rows("ODBCAttribute", {"Driver_", "Attribute", "Value"})) {
        attributes[r[0]].push_back({r[1], FromFormattedValue(r[2], folders_)});
      }
    }
    for (const auto& r : rows) {
      ImportedItem item;
      item.name = r[1];
      item.where = path_ + ": table " + table + ", row " + r[0];
      item.lines.push_back({fileLine, FilePath(r[2], item.where)});
      if (!r[3].empty()) item.lines.push_back({"Setup", FilePath(r[3], item.where)});
      auto more = attributes.find(r[0]);
      if (more != attributes.end()) {
        item.lines.insert(item.lines.end(), more->second.begin(), more->second.end());
      }
      out.push_back(std::move(item));
    }
  }

  void ReadSources(std::vector<ImportedItem>& out) {
    const auto rows = Rows("ODBCDataSource", {"DataSource", "Component_", "Description",
                                              "DriverDescription", "Registration"});
    std::unordered_map<std::string, std::vector<AttributeLine>> attributes;
    if (!rows.empty()) {
      for (auto& r : Rows("ODBCSourceAttribute", {"DataSource_", "Attribute", "Value"})) {
        attributes[r[0]].push_back({r[1], FromFormattedValue(r[2], folders_)});
      }
    }
    for (const auto& r : rows) {
      ImportedItem item;
      item.name = r[2];
      item.where = path_ + ": table ODBCDataSource, row " + r[0];
      // The installer knows 0 (the machine's) and 1 (the user's); any other value it would
      // not register, so it is refused rather than read as one of them.
      if (r[4] != "0" && r[4] != "1") {
        throw ImportError(item.where + ": Registration " + (r[4].empty() ? "(empty)" : r[4]) +
                          " is neither 0 (machine) nor 1 (user)");
      }
      item.system = r[4] == "0";
      item.uninstall = !permanent_.contains(r[1]);
      if (!r[3].empty()) item.lines.push_back({"DriverName", r[3]});
      auto more = attributes.find(r[0]);
      if (more != attributes.end()) {
        item.lines.insert(item.lines.end(), more->second.begin(), more->second.end());
      }
      out.push_back(std::move(item));
    }
  }

  std::string path_;
  const FolderSet& folders_;
  MsiDatabase db_;
  std::unordered_map<std::string, Folder> directories_;
  std::unordered_map<std::string, std::string> componentFolder_;
  std::set<std::string> permanent_;
  std::unordered_map<std::string, std::pair<std::string, std::string>> files_;
};

}  // namespace

ImportedChoices ReadInstallerPackage(const std::string& path, const FolderSet& folders) {
  try {
    return PackageReader(path, folders).Read();
  } catch (const ExportError& e) {
    throw ImportError(e.what());
  }
}

}  // namespace lumora::exporting
