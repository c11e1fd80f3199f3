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
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  using Index = std::unordered_map<std::string, const FeatureRow*, Hash, std::equal_to<>>;
  static const Index index = [] {
    Index map;
    for (const FeatureRow& row : FeatureTable()) map.emplace(UCase(row.path), &row);
    return map;
  }();
  // Every path of the table is plain ASCII and at most 40 characters: a plain ASCII path is
  // upper-cased on the stack; any other goes through the full upper-casing, which may turn a
  // letter beyond ASCII into an ASCII one.
  constexpr size_t kLongest = 64;
  char upper[kLongest];
  bool plain = path.size() <= kLongest;
  for (size_t i = 0; plain && i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c >= 0x80) plain = false;
    upper[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  auto it = plain ? index.find(std::string_view(upper, path.size())) : index.find(UCase(path));
  return it == index.end() ? nullptr : it->second;
}

}  // namespace lumora
