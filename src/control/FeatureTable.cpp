#include "control/FeatureTable.h"

#include <algorithm>
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

// Paths are matched upper-cased. The table's paths are plain ASCII and at most 40 characters; a
// path is looked up as a key of its upper-cased bytes in 8-byte words (zeros after its end).
constexpr size_t kLongest = 64;
constexpr size_t kSlots = 256;  // a power of two, four times the rows: short probe runs
constexpr uint64_t kOnes = 0x0101010101010101ull;

struct Key {
  std::array<uint64_t, kLongest / 8> words{};
  size_t size = 0;
  size_t Words() const { return (size + 7) / 8; }
  bool operator==(const Key& other) const {
    uint64_t differ = size ^ other.size;  // every word, the zeros after the end included
    for (size_t w = 0; w < words.size(); ++w) differ |= words[w] ^ other.words[w];
    return differ == 0;
  }
};

// The key of `text` upper-cased as plain ASCII, eight bytes at a time (a..z lose their 0x20
// bit); false when it is longer than any path or has a byte beyond ASCII.
bool AsciiKey(std::string_view text, Key& key) {
  if (text.size() > kLongest) return false;
  key.size = text.size();
  uint64_t beyondAscii = 0;
  for (size_t w = 0; w < key.Words(); ++w) {
    uint64_t word = 0;
    if (8 * w + 8 <= text.size()) {
      std::memcpy(&word, text.data() + 8 * w, 8);
    } else {  // the last bytes, put together in a register (a short copy would stall the load)
      for (size_t i = text.size() - 8 * w; i-- > 0;) {
        word = word << 8 | static_cast<unsigned char>(text[8 * w + i]);
      }
    }
    beyondAscii |= word;
    const uint64_t seven = word & (0x7F * kOnes);
    const uint64_t fromA = seven + (0x80 - 'a') * kOnes;      // high bit: the byte is 'a' or after
    const uint64_t pastZ = seven + (0x80 - 'z' - 1) * kOnes;  // high bit: the byte is after 'z'
    key.words[w] = word ^ ((fromA & ~pastZ & ~word & (0x80 * kOnes)) >> 2);
  }
  return (beyondAscii & (0x80 * kOnes)) == 0;
}

uint32_t Hash(const Key& key) {
  uint64_t hash = (key.size + 1) * 0x9E3779B97F4A7C15ull;
  for (size_t w = 0; w < key.Words(); ++w) hash = (hash ^ key.words[w]) * 0xC2B2AE3D27D4EB4Full;
  return static_cast<uint32_t>(hash >> 32) ^ static_cast<uint32_t>(hash);
}

struct PathIndex {
  // Each slot holds the row whose key hashes there (or the next free slot after).
  struct Slot {
    Key key;
    const FeatureRow* row = nullptr;
  };
  std::vector<Slot> slots = std::vector<Slot>(kSlots);

  PathIndex() {
    for (const FeatureRow& row : FeatureTable()) {
      Key key;
      AsciiKey(row.path, key);
      size_t at = Hash(key) & (kSlots - 1);
      while (slots[at].row != nullptr && !(slots[at].key == key)) at = (at + 1) & (kSlots - 1);
      if (slots[at].row == nullptr) slots[at] = {key, &row};  // the first row of a path wins
    }
  }

  const FeatureRow* Find(const Key& key) const {
    for (size_t at = Hash(key) & (kSlots - 1);; at = (at + 1) & (kSlots - 1)) {
      const Slot& slot = slots[at];
      if (slot.row == nullptr) return nullptr;
      if (slot.key == key) return slot.row;
    }
  }
};

}  // namespace

const FeatureRow* FindFeature(std::string_view path) {
  static const PathIndex index;
  Key key;
  if (AsciiKey(path, key)) return index.Find(key);
  // A path with a byte beyond ASCII goes through the full upper-casing, which may turn a letter
  // beyond ASCII into an ASCII one.
  return AsciiKey(UCase(path), key) ? index.Find(key) : nullptr;
}

}  // namespace lumora
