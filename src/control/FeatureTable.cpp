#include "control/FeatureTable.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

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

namespace {

// Paths are matched upper-cased. The table's paths are plain ASCII and at most 40 characters;
// a plain ASCII path is upper-cased into a zeroed buffer and hashed from its length and three of
// its 8-byte words (a collision only costs a longer probe: every candidate is compared whole).
constexpr size_t kLongest = 64;
constexpr size_t kSlots = 256;  // a power of two, four times the rows: short probe runs

using Buffer = std::array<char, kLongest + 8>;

uint64_t Word(const char* bytes) {
  uint64_t word = 0;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// `upper` holds `size` bytes followed by zeros up to its end.
uint32_t Hash(const Buffer& upper, size_t size) {
  const size_t last = size >= 8 ? size - 8 : 0;
  const size_t middle = size >= 8 ? size / 2 - 4 : 0;
  uint64_t hash = (size + 1) * 0x9E3779B97F4A7C15ull;
  hash ^= Word(upper.data()) * 0xC2B2AE3D27D4EB4Full;
  hash = (hash ^ Word(upper.data() + middle)) * 0x165667B19E3779F9ull;
  hash = (hash ^ Word(upper.data() + last)) * 0x27D4EB2F165667C5ull;
  return static_cast<uint32_t>(hash >> 32) ^ static_cast<uint32_t>(hash);
}

// Copies `text` into a zeroed buffer; false when it does not fit.
bool Fill(std::string_view text, Buffer& buffer) {
  if (text.size() > kLongest) return false;
  std::memcpy(buffer.data(), text.data(), text.size());
  return true;
}

struct PathIndex {
  // Each slot holds the row whose upper-cased path hashes there (or the next free slot after).
  struct Slot {
    std::string upper;
    const FeatureRow* row = nullptr;
  };
  std::vector<Slot> slots = std::vector<Slot>(kSlots);

  PathIndex() {
    for (const FeatureRow& row : FeatureTable()) {
      const std::string upper = UCase(row.path);
      Buffer buffer{};
      Fill(upper, buffer);
      size_t at = Hash(buffer, upper.size()) & (kSlots - 1);
      while (slots[at].row != nullptr && slots[at].upper != upper) at = (at + 1) & (kSlots - 1);
      if (slots[at].row == nullptr) slots[at] = {upper, &row};  // the first row of a path wins
    }
  }

  const FeatureRow* Find(const Buffer& upper, size_t size) const {
    for (size_t at = Hash(upper, size) & (kSlots - 1);; at = (at + 1) & (kSlots - 1)) {
      const Slot& slot = slots[at];
      if (slot.row == nullptr) return nullptr;
      if (slot.upper.size() == size && std::memcmp(slot.upper.data(), upper.data(), size) == 0) {
        return slot.row;
      }
    }
  }
};

}  // namespace

const FeatureRow* FindFeature(std::string_view path) {
  static const PathIndex index;
  // A path with a byte beyond ASCII goes through the full upper-casing, which may turn a letter
  // beyond ASCII into an ASCII one.
  Buffer upper{};
  if (path.size() <= kLongest) {
    unsigned char beyondAscii = 0;
    for (size_t i = 0; i < path.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(path[i]);
      beyondAscii |= c;
      upper[i] = static_cast<char>(c - (static_cast<unsigned char>(c - 'a') < 26 ? 32 : 0));
    }
    if ((beyondAscii & 0x80) == 0) return index.Find(upper, path.size());
    upper = Buffer{};
  }
  const std::string full = UCase(path);
  return Fill(full, upper) ? index.Find(upper, full.size()) : nullptr;
}

}  // namespace lumora
