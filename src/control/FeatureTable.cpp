#include "control/FeatureTable.h"

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
  // The table's paths upper-cased; the first row of a path wins.
  static const std::unordered_map<std::string, const FeatureRow*> byPath = [] {
    std::unordered_map<std::string, const FeatureRow*> index;
    for (const FeatureRow& row : FeatureTable()) index.try_emplace(UCase(row.path), &row);
    return index;
  }();
  thread_local std::string key;  // reused, so that asking allocates nothing
  UCaseInto(path, key);
  const auto found = byPath.find(key);
  return found == byPath.end() ? nullptr : found->second;
}

}  // namespace lumora
