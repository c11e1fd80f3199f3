#include "control/FeatureTable.h"

#include <functional>
#include <string_view>
#include <unordered_map>

#include "contract/Text.h"

namespace lumora {
namespace {

constexpr const char* kLanguages[] = {"ENGLISH", "GERMAN", "JAPANESE"};

void AddWithLanguages(std::vector<FeatureRow>& rows, FeatureRow row) {
  const std::string base = row.path;
  rows.push_back(row);
  for (const char* language : kLanguages) {
    row.path = base + "\\" + language;
    rows.push_back(row);
  }
}

std::vector<FeatureRow> BuildTable() {
  using Rule = FeatureRow::Rule;
  std::vector<FeatureRow> rows;
  for (const char* path : {"ODBC", "Lumora", "Lumora\\OLEDB", "LumoraA", "LumoraA\\ENGLISH",
                           "LumoraA\\GERMAN", "LumoraA\\JAPANESE", "LumoraA\\OLEDB GERMAN",
                           "LumoraA\\OLEDB ENGLISH", "LumoraA\\OLEDB JAPANESE"}) {
    rows.push_back({path, Rule::Always, "", 0});
  }
  AddWithLanguages(rows, {"ORACLE DRIVER", Rule::Driver, "Microsoft ODBC for Oracle", 0});
  AddWithLanguages(rows, {"SQL SERVER DRIVER", Rule::Driver, "SQL Server", 0});

  struct DesktopDriver {
    const char* feature;
    const char* name;
    bool inVersion40;
  };
  const DesktopDriver desktop[] = {
      {"ACCESS DRIVER", "Microsoft Access Driver (*.mdb)", true},
      {"DBASE DRIVER", "Microsoft dBase Driver (*.dbf)", true},
      {"EXCEL DRIVER", "Microsoft Excel Driver (*.xls)", true},
      {"FOXPRO DRIVER", "Microsoft FoxPro Driver (*.dbf)", false},
      {"PARADOX DRIVER", "Microsoft Paradox Driver (*.db )", true},
      {"TEXT DRIVER", "Microsoft Text Driver (*.txt; *.csv)", true},
  };
  for (int32_t version : {0, 1}) {
    const std::string group = version == 0 ? "DTDB 3.5" : "DTDB 4.0";
    rows.push_back({group, Rule::AnyDriverVersion, "", version});
    for (const DesktopDriver& d : desktop) {
      if (version == 1 && !d.inVersion40) continue;
      AddWithLanguages(rows, {group + "\\" + d.feature, Rule::DriverVersion, d.name, version});
    }
  }
  return rows;
}

}  // namespace

const std::vector<FeatureRow>& FeatureTable() {
  static const std::vector<FeatureRow> table = BuildTable();
  return table;
}

const FeatureRow* FindFeature(std::string_view path) {
  // The table's paths upper-cased; the first row of a path wins. Looked up by a view, so that a
  // path upper-cased on the stack needs no string of its own.
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };
  static const std::unordered_map<std::string, const FeatureRow*, Hash, std::equal_to<>> byPath =
      [] {
        std::unordered_map<std::string, const FeatureRow*, Hash, std::equal_to<>> index;
        for (const FeatureRow& row : FeatureTable()) index.try_emplace(UCase(row.path), &row);
        return index;
      }();
  // A plain ASCII path that fits is upper-cased into a buffer on the stack, so that asking
  // allocates nothing; any other goes through UCase. No thread_local: the component is loaded
  // with dlopen, where each thread_local is dynamic TLS, whose blocks the sanitizers' leak
  // checker finds by guessing at the allocator's headers (and at times scans garbage).
  char buffer[128];
  bool plain = path.size() <= sizeof buffer;
  for (size_t i = 0; plain && i < path.size(); ++i) {
    const char c = path[i];
    plain = static_cast<unsigned char>(c) < 0x80;
    buffer[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const auto found = plain ? byPath.find(std::string_view(buffer, path.size()))
                           : byPath.find(std::string_view(UCase(path)));
  return found == byPath.end() ? nullptr : found->second;
}

}  // namespace lumora
