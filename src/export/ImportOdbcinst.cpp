// Reading unixODBC files back into stored choices, as unixODBC reads them: "[name]" starts a
// section, "key = value" lines are trimmed around the key and the value, lines starting with ';'
// or '#' are comments. A path under a folder the host's drive mapping names is turned back into
// its Windows path, and into a path symbol where it lies in one of the host's folders. In a data
// source, a Driver= value that is no path names the driver: it becomes the DriverName= line. A
// comment in a data source's section saying it is kept on uninstall clears its uninstall flag.
#include <algorithm>
#include <cctype>

#include "contract/Text.h"
#include "export/ImportedChoices.h"
#include "platform/InputFile.h"

namespace lumora::exporting {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool SaysKeptOnUninstall(const std::string& comment) {
  const std::string text = Lower(comment);
  if (text.find("uninstall") == std::string::npos) return false;
  for (const char* word : {"kept", "keep", "not removed", "permanent", "=0", "= 0", "false"}) {
    if (text.find(word) != std::string::npos) return true;
  }
  return false;
}

class IniReader {
 public:
  IniReader(const std::string& path, bool drivers, bool system, const FolderSet& folders,
            const std::map<char, std::string>& drives)
      : path_(path), drivers_(drivers), system_(system), folders_(folders), drives_(drives) {}

  std::vector<ImportedItem> Read() {
    const std::string text = DecodeText8(ReadInputFile(path_, "unixODBC file"));
    std::vector<ImportedItem> items;
    bool kept = false;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = TrimSpaces(std::string_view(text).substr(start, end - start));
      start = end + 1;
      if (!line.empty() && line.back() == '\r') line = TrimSpaces(line.substr(0, line.size() - 1));
      const std::string where = path_ + ":" + std::to_string(number);
      if (line.empty()) continue;
      if (line[0] == ';' || line[0] == '#') {
        // The note may stand above its section's line or inside the section.
        kept = kept || (!drivers_ && SaysKeptOnUninstall(line));
        continue;
      }
      if (line[0] == '[') {
        const size_t close = line.find(']');
        if (close == std::string::npos) {
          throw ImportError(where + ": \"" + line + "\": a section line without its ']'");
        }
        ImportedItem item;
        item.name = TrimSpaces(line.substr(1, close - 1));
        item.where = where;
        item.system = system_;
        item.uninstall = !kept;
        kept = false;
        items.push_back(std::move(item));
        continue;
      }
      const size_t eq = line.find('=');
      if (kept && !items.empty()) items.back().uninstall = false;
      kept = false;
      if (items.empty()) {
        throw ImportError(where + ": \"" + line + "\" comes before the first section");
      }
      if (eq == std::string::npos || TrimSpaces(line.substr(0, eq)).empty()) {
        throw ImportError(where + ": \"" + line + "\" is no NAME=value line");
      }
      AttributeLine attribute{TrimSpaces(line.substr(0, eq)), TrimSpaces(line.substr(eq + 1))};
      attribute.value = FromLocalPath(attribute.value);
      if (!drivers_ && Lower(attribute.name) == "driver" &&
          attribute.value.find_first_of("/\\") == std::string::npos) {
        attribute.name = "DriverName";
      }
      items.back().lines.push_back(std::move(attribute));
    }
    // unixODBC keeps its own settings in [ODBC]; it is no driver or data source. Tools write
    // [ODBC Data Sources] as a list of data sources, which unixODBC does not read as one: it is
    // left out too, not stored as a data source no driver manager would accept.
    std::erase_if(items, [](const ImportedItem& item) {
      const std::string upper = UCase(item.name);
      return upper == "ODBC" || upper == "ODBC DATA SOURCES";
    });
    return items;
  }

 private:
  std::string FromLocalPath(const std::string& value) const {
    for (const auto& [letter, folder] : drives_) {
      std::string root = folder;
      while (root.size() > 1 && root.back() == '/') root.pop_back();
      if (value.size() > root.size() && value.starts_with(root) && value[root.size()] == '/') {
        std::string windows = std::string(1, letter) + ":";
        for (char c : value.substr(root.size())) windows += c == '/' ? '\\' : c;
        return ToSymbolPath(windows, folders_);
      }
    }
    return value;
  }

  std::string path_;
  bool drivers_, system_;
  const FolderSet& folders_;
  const std::map<char, std::string>& drives_;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ImportedChoices ReadOdbcinstFile(const std::string& path, SourceType type, const FolderSet& folders,
                                 const std::map<char, std::string>& drives) {
  const std::string name = BaseName(path);
  const bool drivers = name == "odbcinst.ini";
  if (!drivers && type == SourceType::kUnstated && name != "odbc-system.ini" &&
      name != "odbc-user.ini") {
    throw ImportError(path +
                      ": its data sources are of which type? give --system or --user "
                      "(odbc-system.ini and odbc-user.ini say so by their names)");
  }
  const bool system =
      type == SourceType::kSystem || (type == SourceType::kUnstated && name == "odbc-system.ini");
  ImportedChoices out;
  (drivers ? out.drivers : out.dataSources) =
      IniReader(path, drivers, system, folders, drives).Read();
  return out;
}

}  // namespace lumora::exporting
