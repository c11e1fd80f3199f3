// Fuzzes the three writers of `lumora export`. The input is a list of items, one line each:
// "D name" a driver, "T name" a translator, "U name" / "S name" a user / system data source
// removed on uninstall, "u name" / "s name" one kept; every other line is an attribute line
// "name=value" of the item before it. Each writer either refuses the items with an ExportError
// or writes files that the format's own reader reads back as exactly the items given, no more
// and no fewer: the .idt rows split at tabs, the WiX fragment parsed by libxml2, the templates
// walked section by section as unixODBC reads them.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "contract/PathSymbols.h"
#include "export/ExportWriters.h"

using namespace lumora::exporting;
using lumora::fuzz::Check;

namespace {

// One item as a reader sees it: its kind and name, and its attribute lines in order.
struct Seen {
  std::string kind;  // "driver", "translator", "user", "system"
  std::string name;
  std::vector<std::pair<std::string, std::string>> lines;
  bool operator<(const Seen& o) const {
    return std::tie(kind, name, lines) < std::tie(o.kind, o.name, o.lines);
  }
  bool operator==(const Seen& o) const = default;
};

std::optional<ExportChoices> Parse(std::string_view text) {
  ExportChoices choices;
  ExportItem* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line(text.substr(start, end - start));
    start = end + 1;
    if (line.size() >= 2 && line[1] == ' ' &&
        std::string("DTUSus").find(line[0]) != std::string::npos) {
      ExportItem item;
      item.name = line.substr(2);
      const char k = line[0];
      item.kind = k == 'D'   ? ItemKind::kDriver
                  : k == 'T' ? ItemKind::kTranslator
                             : ItemKind::kDataSource;
      item.system = k == 'S' || k == 's';
      item.removedOnUninstall = k == 'U' || k == 'S';
      auto& list = k == 'D'   ? choices.drivers
                   : k == 'T' ? choices.translators
                              : choices.dataSources;
      list.push_back(std::move(item));
      current = &list.back();
    } else if (current != nullptr && !line.empty()) {
      const size_t eq = line.find('=');
      AttributeLine parsed{line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 1)};
      // The stored choices' reader refuses a line without a name and a name given twice.
      if (parsed.name.empty()) return std::nullopt;
      for (const AttributeLine& other : current->lines) {
        if (other.name == parsed.name) return std::nullopt;
      }
      current->lines.push_back(std::move(parsed));
    }
  }
  return choices;
}

// A value as stored, if the database form of it is known without the folders: no path symbol.
bool Plain(const std::string& value) {
  return lumora::LeadingPathSymbol(value) == nullptr;
}

// The formatted value read back: the escaped brackets made plain again.
std::string Unformat(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value.compare(i, 4, "[\\[]") == 0 || value.compare(i, 4, "[\\]]") == 0) {
      out += value[i + 2];
      i += 3;
    } else {
      out += value[i];
    }
  }
  return out;
}

// What an installer database keeps of the items: drivers and translators without their file
// lines (translators without attributes), data sources without DriverName=; values with a path
// symbol are left out of the comparison.
std::vector<Seen> ExpectedInDatabase(const ExportChoices& choices) {
  std::vector<Seen> out;
  for (const auto* list : {&choices.drivers, &choices.translators, &choices.dataSources}) {
    for (const ExportItem& item : *list) {
      Seen seen{item.kind == ItemKind::kDriver       ? "driver"
                : item.kind == ItemKind::kTranslator ? "translator"
                : item.system                        ? "system"
                                                     : "user",
                item.name,
                {}};
      // The lines the database keeps elsewhere: a driver's file and setup file, the name of a
      // data source's driver when its DriverName= line gives one.
      const AttributeLine* file = FindLine(item, "Driver");
      const AttributeLine* setup = FindLine(item, "Setup");
      const AttributeLine* named = FindLine(item, "DriverName");
      if (named != nullptr && named->value.empty()) named = nullptr;
      if (item.kind != ItemKind::kTranslator) {
        for (const AttributeLine& line : item.lines) {
          if (item.kind == ItemKind::kDriver && (&line == file || &line == setup)) continue;
          if (item.kind == ItemKind::kDataSource && &line == named) continue;
          seen.lines.push_back({line.name, Plain(line.value) ? line.value : "<symbol>"});
        }
      }
      out.push_back(seen);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> Split(const std::string& text, const std::string& by) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(by, start)) != std::string::npos; start = at + by.size()) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

const std::string& FileText(const ExportOutput& out, const std::string& name) {
  for (const OutputFile& f : out.files) {
    if (f.name == name) return f.text;
  }
  Check(false, "a file of the format is missing");
  return out.files.front().text;
}

// The rows of an .idt file: three heading lines, then tab-separated cells, each line in CR LF.
std::vector<std::vector<std::string>> Rows(const ExportOutput& out, const std::string& table) {
  std::vector<std::string> lines = Split(FileText(out, table + ".idt"), "\r\n");
  Check(lines.size() >= 4 && lines.back().empty(), "an .idt file does not end in CR LF");
  std::vector<std::vector<std::string>> rows;
  for (size_t i = 3; i + 1 < lines.size(); ++i) rows.push_back(Split(lines[i], "\t"));
  return rows;
}

void CheckMsi(const ExportChoices& choices, const ExportOutput& out) {
  std::map<std::string, Seen> byId;
  for (const char* table : {"ODBCDriver", "ODBCTranslator"}) {
    for (const auto& row : Rows(out, table)) {
      Check(row.size() == 5, "an .idt row has the wrong number of cells");
      Check(
          byId.emplace(row[0], Seen{table[4] == 'D' ? "driver" : "translator", row[2], {}}).second,
          "two rows share a key");
    }
  }
  for (const auto& row : Rows(out, "ODBCDataSource")) {
    Check(row.size() == 5 && (row[4] == "0" || row[4] == "1"), "a bad data source row");
    Check(byId.emplace(row[0], Seen{row[4] == "0" ? "system" : "user", row[2], {}}).second,
          "two rows share a key");
  }
  for (const char* table : {"ODBCAttribute", "ODBCSourceAttribute"}) {
    for (const auto& row : Rows(out, table)) {
      Check(row.size() == 3 && byId.count(row[0]) == 1, "an attribute row of no item");
      const bool symbol = row[2].starts_with('[') && !row[2].starts_with("[\\");
      byId[row[0]].lines.push_back({row[1], symbol ? "<symbol>" : Unformat(row[2])});
    }
  }
  std::vector<Seen> read;
  for (auto& [id, seen] : byId) read.push_back(seen);
  std::sort(read.begin(), read.end());
  Check(read == ExpectedInDatabase(choices), "the .idt rows are not the items exported");
}

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (value == nullptr) return "\x01none";
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

void Walk(xmlNode* node, bool permanent, std::vector<Seen>& read,
          const std::map<std::string, bool>& keptByName, bool* keptRight) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string element = reinterpret_cast<const char*>(node->name);
    bool inPermanent = permanent;
    if (element == "Component") inPermanent = Attribute(node, "Permanent") == "yes";
    if (element == "ODBCDriver" || element == "ODBCTranslator" || element == "ODBCDataSource") {
      Seen seen{element == "ODBCDriver"                        ? "driver"
                : element == "ODBCTranslator"                  ? "translator"
                : Attribute(node, "Registration") == "machine" ? "system"
                                                               : "user",
                Attribute(node, "Name"),
                {}};
      for (xmlNode* p = node->children; p != nullptr; p = p->next) {
        if (p->type != XML_ELEMENT_NODE) continue;
        Check(std::string(reinterpret_cast<const char*>(p->name)) == "Property",
              "an ODBC element holds something but Property");
        const std::string value = Attribute(p, "Value");
        const bool symbol = value.starts_with('[') && !value.starts_with("[\\");
        seen.lines.push_back({Attribute(p, "Id"), symbol ? "<symbol>" : Unformat(value)});
      }
      if (element == "ODBCDataSource") {
        auto kept = keptByName.find(seen.kind + "\n" + seen.name);
        if (kept != keptByName.end() && kept->second != inPermanent) *keptRight = false;
      }
      read.push_back(seen);
      continue;
    }
    Walk(node->children, inPermanent, read, keptByName, keptRight);
  }
}

void CheckWix(const ExportChoices& choices, const ExportOutput& out) {
  const std::string& text = FileText(out, "lumora-odbc.wxs");
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "fuzz.wxs", nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  Check(doc != nullptr, "the WiX fragment is not well-formed XML");
  std::map<std::string, bool> kept;  // names given more than once are not checked for their
  std::set<std::string> repeated;    // component
  for (const ExportItem& item : choices.dataSources) {
    const std::string key = (item.system ? "system\n" : "user\n") + item.name;
    if (!kept.emplace(key, !item.removedOnUninstall).second) repeated.insert(key);
  }
  for (const std::string& key : repeated) kept.erase(key);
  std::vector<Seen> read;
  bool keptRight = true;
  Walk(xmlDocGetRootElement(doc), false, read, kept, &keptRight);
  xmlFreeDoc(doc);
  std::sort(read.begin(), read.end());
  Check(read == ExpectedInDatabase(choices), "the WiX fragment does not hold the items exported");
  Check(keptRight, "a data source kept on uninstall is not in a permanent component");
}

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// The sections of an ini file as unixODBC reads them (blanks around keys and values dropped);
// each data source's note on uninstall goes with it as a line "uninstall".
std::vector<Seen> Sections(const std::string& text, const std::string& kind) {
  std::vector<Seen> out;
  std::string note;
  for (const std::string& raw : Split(text, "\n")) {
    Check(raw.size() <= 999, "a template line is longer than unixODBC reads whole");
    const std::string line = Trim(raw);
    if (line.starts_with("; on uninstall: ")) note = line.substr(16);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      Check(line.back() == ']', "a section line does not end in ]");
      out.push_back({kind, line.substr(1, line.size() - 2), {}});
      if (kind != "driver") {
        Check(note == "keep" || note == "remove", "a data source has no note on uninstall");
        out.back().lines.push_back({"uninstall", note});
      }
      note.clear();
      continue;
    }
    Check(!out.empty(), "a line outside any section");
    const size_t eq = line.find('=');
    Check(eq != std::string::npos, "a line without '='");
    out.back().lines.push_back({Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))});
  }
  return out;
}

void CheckOdbcinst(const ExportChoices& choices, const ExportOutput& out) {
  std::vector<Seen> expected;
  for (const ExportItem& item : choices.drivers) {
    Seen seen{"driver", item.name, {}};
    for (const AttributeLine& line : item.lines) {
      seen.lines.push_back({line.name, Plain(line.value) ? Trim(line.value) : "<symbol>"});
    }
    expected.push_back(seen);
  }
  for (const ExportItem& item : choices.dataSources) {
    Seen seen{item.system ? "system" : "user", item.name, {}};
    seen.lines.push_back({"uninstall", item.removedOnUninstall ? "remove" : "keep"});
    const AttributeLine* named = FindLine(item, "DriverName");
    if (named != nullptr) seen.lines.push_back({"Driver", Trim(named->value)});
    const AttributeLine* driver = FindLine(item, "Driver");
    for (const AttributeLine& line : item.lines) {
      if (named != nullptr && (&line == named || &line == driver)) continue;
      seen.lines.push_back({line.name, Plain(line.value) ? Trim(line.value) : "<symbol>"});
    }
    expected.push_back(seen);
  }
  std::vector<Seen> read = Sections(FileText(out, "odbcinst.ini"), "driver");
  for (const auto& [file, kind] :
       {std::pair{"odbc-user.ini", "user"}, {"odbc-system.ini", "system"}}) {
    const std::vector<Seen> sections = Sections(FileText(out, file), kind);
    read.insert(read.end(), sections.begin(), sections.end());
  }
  // Resolved path symbols read back as paths of this machine: compared as "<symbol>".
  for (Seen& seen : read) {
    for (auto& [name, value] : seen.lines) {
      if (value.starts_with('/') || !Plain(value)) value = "<symbol>";
    }
  }
  for (Seen& seen : expected) {
    for (auto& [name, value] : seen.lines) {
      if (value.starts_with('/') || !Plain(value)) value = "<symbol>";
    }
  }
  std::sort(read.begin(), read.end());
  std::sort(expected.begin(), expected.end());
  Check(read == expected, "the templates do not hold the items exported");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::optional<ExportChoices> parsed = Parse(lumora::fuzz::AsText(data, size));
  if (!parsed) return 0;
  const ExportChoices& choices = *parsed;
  const ExportOptions options;
  using Writer = ExportOutput (*)(const ExportChoices&, const ExportOptions&);
  using Checker = void (*)(const ExportChoices&, const ExportOutput&);
  const std::pair<Writer, Checker> formats[] = {{WriteMsiTables, CheckMsi},
                                                {WriteWixFragment, CheckWix},
                                                {WriteOdbcinstTemplates, CheckOdbcinst}};
  for (const auto& [write, check] : formats) {
    ExportOutput out;
    try {
      out = write(choices, options);
    } catch (const ExportError& e) {
      Check(std::string_view(e.what()).size() > 0, "a refusal says nothing");
      continue;
    }
    check(choices, out);
  }
  return 0;
}
