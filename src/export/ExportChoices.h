// What `lumora export` turns into installer input: the selected drivers and data sources stored
// in a design object and, on request, the catalogue's translators, each with its attribute lines
// in stored order. Reading checks only what no format can carry (a line without a name, a name
// given twice in one item); each writer refuses what its own format cannot carry. Every refusal
// is an ExportError whose message names the item.
#pragma once

#include <string>
#include <vector>

#include "contract/DesignObject.h"
#include "contract/HostError.h"

namespace lumora::exporting {

// Bad input as far as the host is concerned; lumora names the object before the item.
class ExportError : public HostError {
 public:
  explicit ExportError(const std::string& message) : HostError(Kind::kBadInput, message) {}
};

enum class ItemKind { kDriver, kTranslator, kDataSource };

// One attribute line "name=value"; a line without "=" has an empty value.
struct AttributeLine {
  std::string name;
  std::string value;
};

struct ExportItem {
  ItemKind kind = ItemKind::kDriver;
  std::string name;
  std::vector<AttributeLine> lines;  // blank lines left out
  bool system = false;               // data sources: a system data source
};

struct ExportChoices {
  std::vector<ExportItem> drivers;
  std::vector<ExportItem> dataSources;
  std::vector<ExportItem> translators;
};

// The selected drivers and data sources of `object`, in stored order; names of length 0 (the
// placeholder written when nothing is selected) are skipped.
ExportChoices ReadStoredChoices(DesignObject& object);

// The translators that the catalogue lumora.ini in `componentDir` lists; throws ExportError when
// there is no catalogue there.
std::vector<ExportItem> ReadCatalogueTranslators(const std::string& componentDir);

// "driver \"SQL Server\"", for messages.
std::string Describe(const ExportItem& item);

// The value of the first line named `name` (ASCII letters compared ignoring case), or null.
const AttributeLine* FindLine(const ExportItem& item, std::string_view name);

}  // namespace lumora::exporting
