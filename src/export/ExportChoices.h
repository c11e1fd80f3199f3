// What `lumora export` turns into installer input: the selected drivers and data sources stored
// in a design object and, on request, the catalogue's translators, each with its attribute lines
// in stored order. Reading checks only what no format can carry (a line without a name, a name
// given twice in one item); each writer refuses what its own format cannot carry. Every refusal
// is an ExportError whose message names the item.
#pragma once

#include <unicode/utf8.h>

#include <cstdint>
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
  bool removedOnUninstall = false;   // data sources: the stored uninstall flag (false: kept)
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

// Calls `visit(code, begin, end)` for each code point of UTF-8 `text` and the byte range it takes;
// `code` is negative for bytes that are not UTF-8 (a surrogate included). Stops when `visit`
// returns false.
template <class Visit>
void ForEachCodePoint(std::string_view text, Visit visit) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    const int32_t begin = i;
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (!visit(static_cast<int32_t>(c), static_cast<size_t>(begin), static_cast<size_t>(i))) {
      return;
    }
  }
}

// What in `text` no export format carries: a control character (C0 with tab, CR and LF, DEL or
// C1), a Unicode noncharacter (U+FDD0..U+FDEF, U+xFFFE and U+xFFFF) or bytes that are not UTF-8,
// described for a message ("control character U+0000"); "" when there is none.
std::string UncarriableIn(std::string_view text);

// The one check of what the stored choices may hold, run by every export writer before it writes
// a byte and by import before it stores anything: names and lines free of what UncarriableIn
// finds; a name that is neither empty, nor holds '[' or ']', nor begins or ends with a blank, nor
// is one the driver managers reserve (ODBC, ODBC Data Sources, Default, any case); an attribute
// name without blanks around it, without '=', not starting with '[', ';' or '#', and in a data
// source none the driver manager acts on (DSN, FILEDSN, SAVEFILE). Returns what is wrong, naming
// the item and the line, or "".
std::string ProblemOf(const ExportItem& item);

// Throws ExportError with ProblemOf's answer for the first item that has a problem.
void CheckCarriable(const ExportChoices& choices);

// `text` with control characters and bytes that are not UTF-8 shown as \xNN, for messages.
std::string Printable(std::string_view text);

// "driver \"SQL Server\"" (the name made Printable), for messages.
std::string Describe(const ExportItem& item);

// The value of the first line named `name` (ASCII letters compared ignoring case), or null.
const AttributeLine* FindLine(const ExportItem& item, std::string_view name);

}  // namespace lumora::exporting
