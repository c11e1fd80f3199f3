#include "export/ExportChoices.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "contract/Failure.h"
#include "contract/Int16.h"
#include "contract/Text.h"
#include "host/StoredLists.h"
#include "hostlib/ProfileIniFile.h"
#include "platform/ProfileFile.h"

namespace lumora::exporting {
namespace {

// The item's attribute text split at its CR LF separators; blank lines are dropped.
void SetLines(ExportItem& item, std::string_view text) {
  size_t start = 0;
  size_t breaks = 0;
  for (size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", at + 2)) {
    ++breaks;
  }
  item.lines.reserve(breaks + 1);
  // The names seen so far: the lines themselves while they are few, else a set of them.
  std::set<std::string_view> seen;
  constexpr size_t kScanned = 16;
  int number = 0;
  while (start <= text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 2;
    ++number;
    if (TrimOf(line, " ").empty()) continue;
    const size_t eq = line.find('=');
    const std::string_view name = line.substr(0, eq);
    if (name.empty()) {
      throw ExportError(Describe(item) + ", attribute line " + std::to_string(number) + " \"" +
                        std::string(line) + "\": the line has no name before its '='");
    }
    AttributeLine parsed{std::string(name),
                         eq == std::string::npos ? "" : std::string(line.substr(eq + 1))};
    const auto same = [name](const AttributeLine& l) { return l.name == name; };
    const bool given = item.lines.size() < kScanned
                           ? std::any_of(item.lines.begin(), item.lines.end(), same)
                           : !seen.insert(name).second;
    if (item.lines.size() + 1 == kScanned) {
      for (const AttributeLine& l : item.lines) seen.insert(l.name);
      seen.insert(name);
    }
    if (given) {
      throw ExportError(Describe(item) + ": attribute \"" + parsed.name +
                        "\" is given twice; an installer holds one value per name");
    }
    item.lines.push_back(std::move(parsed));
  }
}

}  // namespace

static bool IsControl(int32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

static bool IsNoncharacter(int32_t c) {
  return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

// Names the driver managers give a meaning of their own: [ODBC] holds unixODBC's settings (and
// ODBC.INI\ODBC the Windows trace settings), [ODBC Data Sources] lists the data sources, [Default]
// is the data source used when none is named. Both find them ignoring case.
static constexpr const char* kReservedNames[] = {"ODBC", "ODBC Data Sources", "Default"};

// Keys the driver manager acts on itself when it meets them in a connection string: a data
// source's attributes never name another data source or a file to read or write.
static constexpr const char* kDriverManagerKeys[] = {"DSN", "FILEDSN", "SAVEFILE"};

std::string UncarriableIn(std::string_view text) {
  // Printable ASCII, the bulk of most text, needs no decoding.
  const size_t first = static_cast<size_t>(
      std::find_if(text.begin(), text.end(), [](char c) { return c < 0x20 || c >= 0x7F; }) -
      text.begin());
  std::string what;
  ForEachCodePoint(text.substr(first), [&](int32_t c, size_t, size_t) {
    if (c < 0) {
      what = "bytes that are not UTF-8";
    } else if (IsControl(c) || IsNoncharacter(c)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
      what = std::string(IsControl(c) ? "control character " : "Unicode noncharacter ") + code;
    }
    return what.empty();
  });
  return what;
}

std::string Printable(std::string_view text) {
  std::string out;
  ForEachCodePoint(text, [&](int32_t c, size_t begin, size_t end) {
    if (c >= 0 && !IsControl(c)) {
      out.append(text.substr(begin, end - begin));
      return true;
    }
    for (size_t k = begin; k < end; ++k) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(text[k]));
      out += code;
    }
    return true;
  });
  return out;
}

std::string ProblemOf(const ExportItem& item) {
  std::string what = UncarriableIn(item.name);
  if (!what.empty()) {
    return Describe(item) + ": the name holds " + what + ", which no export format carries";
  }
  const std::string_view name = item.name;
  // (memchr for each: find_first_of("[]") would call it for every character of the name.)
  if (name.empty() || name.find('[') != std::string_view::npos ||
      name.find(']') != std::string_view::npos || TrimOf(name, " ").size() != name.size()) {
    return Describe(item) +
           ": an ini section name cannot hold '[', ']' or a line break, nor begin or end with "
           "blanks";
  }
  for (const char* reserved : kReservedNames) {
    if (EqualsIgnoringAsciiCase(name, reserved)) {
      return Describe(item) + ": [" + reserved + "] is a name the driver managers reserve";
    }
  }
  for (const AttributeLine& line : item.lines) {
    what = UncarriableIn(line.name);
    if (what.empty()) what = UncarriableIn(line.value);
    if (!what.empty()) {
      return Describe(item) + ": the line \"" + Printable(line.name) + "=" + Printable(line.value) +
             "\" holds " + what + ", which no export format carries";
    }
    const std::string_view key = line.name;
    if (key.empty() || key.find('=') != std::string_view::npos ||
        TrimOf(key, " ").size() != key.size() || key.starts_with('[') || key.starts_with(';') ||
        key.starts_with('#')) {
      return Describe(item) + ": attribute \"" + line.name +
             "\" cannot be an ini key (a line break, blanks around it, or a leading '[', ';' or "
             "'#')";
    }
    for (const char* reserved : kDriverManagerKeys) {
      if (item.kind == ItemKind::kDataSource && EqualsIgnoringAsciiCase(key, reserved)) {
        return Describe(item) + ": attribute \"" + line.name +
               "\" is one the driver manager acts on itself, which a data source does not carry";
      }
    }
  }
  return {};
}

void CheckCarriable(const ExportChoices& choices) {
  for (const auto* list : {&choices.drivers, &choices.translators, &choices.dataSources}) {
    for (const ExportItem& item : *list) {
      if (std::string problem = ProblemOf(item); !problem.empty()) throw ExportError(problem);
    }
  }
}

std::string Describe(const ExportItem& item) {
  const char* kind = item.kind == ItemKind::kDriver       ? "driver"
                     : item.kind == ItemKind::kTranslator ? "translator"
                                                          : "data source";
  return std::string(kind) + " \"" + Printable(item.name) + "\"";
}

const AttributeLine* FindLine(const ExportItem& item, std::string_view name) {
  for (const AttributeLine& line : item.lines) {
    if (EqualsIgnoringAsciiCase(line.name, name)) return &line;
  }
  return nullptr;
}

ExportChoices ReadStoredChoices(DesignObject& object) {
  ExportChoices choices;
  const Value drivers = object.GetProperty("Drivers");
  const Value driversInfo = object.GetProperty("DriversInfo");
  const Value driversSelections = object.GetProperty("DriversSelections");
  for (int32_t i = 0; i <= StoredUpperBound(drivers); ++i) {
    ExportItem item{ItemKind::kDriver, StoredText(drivers, i), {}, false};
    if (item.name.empty() || !StoredFlag(driversSelections, i)) continue;
    SetLines(item, StoredText(driversInfo, i));
    choices.drivers.push_back(std::move(item));
  }
  const Value sources = object.GetProperty("DataSources");
  const Value sourcesInfo = object.GetProperty("DataSourcesInfo");
  const Value sourcesTypes = object.GetProperty("DataSourcesTypes");
  const Value sourcesSelections = object.GetProperty("DataSourcesSelections");
  const Value sourcesUninstall = object.GetProperty("DataSourcesUninstFlags");
  for (int32_t i = 0; i <= StoredUpperBound(sources); ++i) {
    // Any type but "system", in any letter case, is a user data source, as the wizard loads it.
    ExportItem item{ItemKind::kDataSource,
                    StoredText(sources, i),
                    {},
                    UCase(StoredText(sourcesTypes, i)) == "SYSTEM",
                    StoredFlag(sourcesUninstall, i)};
    if (item.name.empty() || !StoredFlag(sourcesSelections, i)) continue;
    SetLines(item, StoredText(sourcesInfo, i));
    choices.dataSources.push_back(std::move(item));
  }
  return choices;
}

// Mirrors the wizard's translator read (WizAPI::ReadTransBVProvided and ReadTransSections) with
// the same profile functions: the slot count of [Translators] as the host's IniFile helper finds
// it, slots "Translator0".. read with a size of 254, "NONE" and blank slots skipped, and each
// listed value's own section read whole as the item's attribute lines.
std::vector<ExportItem> ReadCatalogueTranslators(const std::string& componentDir) {
  const std::string catalogue =
      (componentDir.empty() || componentDir.back() == '/' ? componentDir : componentDir + "/") +
      "lumora.ini";
  if (::access(ProfileFileSystemPath(catalogue).c_str(), R_OK) != 0) {
    throw ExportError(catalogue + ": no catalogue there to take translators from");
  }
  std::string value(255, ' ');
  int16_t count = 0;
  ProfileIniFile().FindIniFileEntry(catalogue, "Translators", "Translator", value, count);
  std::vector<ExportItem> translators;
  for (int16_t i = 0; i < count; i = ToInt16(i + 1)) {
    const std::string key = "Translator" + std::to_string(i);
    const std::string name =
        GetPrivateProfileStringA("Translators", key.c_str(), "NONE", 254, catalogue).Text();
    if (name == "NONE" || TrimSpaces(name).empty()) continue;
    ProfileResult section;
    for (uint32_t size = 1023;; size *= 2) {
      section = GetPrivateProfileSectionA(name.c_str(), size, catalogue);
      if (section.returned + 2 < size || size >= (1u << 30)) break;
    }
    std::string joined;
    for (char c : section.Text()) joined += c == '\0' ? std::string("\r\n") : std::string(1, c);
    ExportItem item{ItemKind::kTranslator, name, {}, false};
    SetLines(item, joined);
    translators.push_back(std::move(item));
  }
  return translators;
}

}  // namespace lumora::exporting
