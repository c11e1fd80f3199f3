// Turning installer paths back into the stored form: the reverse of how the installer layout
// places a path symbol's file in a folder property and writes values in formatted form.
#include <array>
#include <utility>

#include "contract/Text.h"
#include "export/ImportedChoices.h"
#include "platform/odbc/ConnectionString.h"

namespace lumora::exporting {
namespace {

// The six folders and their symbols, as the wizard names them.
std::array<std::pair<const char*, const std::string*>, 6> Symbols(const FolderSet& f) {
  return {{{"<WINSYSDIR>", &f.system},
           {"<WINDIR>", &f.windows},
           {"<COMMONFILES>\\System", &f.commonFilesSystem},
           {"<COMMONFILES>", &f.commonFiles},
           {"<PROGRAMFILES>", &f.programFiles},
           {"<DAO>", &f.dao}}};
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 4) == "[\\[]" || text.substr(i, 4) == "[\\]]") {
      out += text[i + 2];
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string ToSymbolPath(const std::string& path, const FolderSet& folders) {
  const std::string upper = UCase(path);
  const char* best = nullptr;
  size_t bestSize = 0;
  for (const auto& [symbol, folder] : Symbols(folders)) {
    // Only a folder named as the host names it (ending in a backslash) holds files.
    if (folder->empty() || folder->back() != '\\' || folder->size() <= bestSize) continue;
    if (upper.starts_with(UCase(*folder))) {
      best = symbol;
      bestSize = folder->size();
    }
  }
  if (best == nullptr) return path;
  return std::string(best) + "\\" + path.substr(bestSize);
}

std::string FolderPropertyPath(const std::string& property, const FolderSet& folders) {
  if (property == "SystemFolder" || property == "System64Folder") return folders.system;
  if (property == "WindowsFolder") return folders.windows;
  if (property == "CommonFilesFolder" || property == "CommonFiles64Folder") {
    return folders.commonFiles;
  }
  if (property == "ProgramFilesFolder" || property == "ProgramFiles64Folder") {
    return folders.programFiles;
  }
  return {};
}

std::string FromFormattedValue(const std::string& value, const FolderSet& folders) {
  if (value.starts_with('[')) {
    const size_t close = value.find(']');
    if (close != std::string::npos) {
      const std::string base = FolderPropertyPath(value.substr(1, close - 1), folders);
      if (!base.empty()) return ToSymbolPath(base + Unescape(value.substr(close + 1)), folders);
    }
  }
  return Unescape(value);
}

void CheckStorable(const ImportedChoices& choices) {
  const std::pair<const std::vector<ImportedItem>*, ItemKind> lists[] = {
      {&choices.drivers, ItemKind::kDriver},
      {&choices.translators, ItemKind::kTranslator},
      {&choices.dataSources, ItemKind::kDataSource}};
  for (const auto& [list, kind] : lists) {
    for (const ImportedItem& item : *list) {
      if (item.name.empty()) throw ImportError(item.where + ": an item without a name");
      // What export would refuse is refused here, before anything is stored.
      const ExportItem stored{kind, item.name, item.lines, item.system, item.uninstall};
      if (std::string problem = ProblemOf(stored); !problem.empty()) {
        throw ImportError(item.where + ": " + problem);
      }
      // The rule the connection string of a try is made by: what it would leave out is not
      // stored either.
      for (const AttributeLine& line : item.lines) {
        if (const std::string refusal = odbc::KeyRefusal(line.name); !refusal.empty()) {
          throw ImportError(item.where + ": \"" + item.name + "\": the attribute \"" + line.name +
                            "\" " + refusal);
        }
      }
    }
  }
}

}  // namespace lumora::exporting
