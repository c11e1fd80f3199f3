#include "CheckFindings.h"

#include <sstream>

#include "contract/MessageText.h"
#include "contract/Text.h"

namespace lumora::cli {
namespace {

struct Line {
  int number = 0;
  std::string text;
};

std::vector<Line> LinesOf(const std::string& lines) {
  std::vector<Line> out;
  std::istringstream in(lines);
  int number = 0;
  for (std::string text; std::getline(in, text);) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    out.push_back({number, text});
  }
  return out;
}

std::string Quoted(const std::string& text) {
  return "\"" + EscapeForMessage(text) + "\"";
}

std::string ItemName(const char* kind, const StoredItem& item) {
  return std::string(kind) + " " + Quoted(item.name);
}

// Lines that are not KEY=value and empty values; blank lines are left out by every writer.
void CheckLines(const char* kind, const StoredItem& item, std::vector<Finding>& findings) {
  for (const Line& line : LinesOf(item.lines)) {
    if (TrimSpaces(line.text).empty()) continue;
    const size_t eq = line.text.find('=');
    if (eq == std::string::npos || TrimSpaces(line.text.substr(0, eq)).empty()) {
      findings.push_back(
          {ItemName(kind, item), line.number, Quoted(line.text) + " is not KEY=value"});
    } else if (TrimSpaces(line.text.substr(eq + 1)).empty()) {
      findings.push_back({ItemName(kind, item), line.number,
                          Quoted(line.text.substr(0, eq)) + " has an empty value"});
    } else if (const std::string refusal = odbc::KeyRefusal(line.text.substr(0, eq));
               !refusal.empty()) {  // the rule the connection string of a try is made by
      findings.push_back(
          {ItemName(kind, item), line.number, Quoted(line.text.substr(0, eq)) + " " + refusal});
    }
  }
}

// The first line named `key` (ASCII case ignored) and its value; line 0 when none.
Line FindKey(const StoredItem& item, std::string_view key, std::string& value) {
  for (const Line& line : LinesOf(item.lines)) {
    const size_t eq = line.text.find('=');
    if (eq != std::string::npos &&
        EqualsIgnoringAsciiCase(TrimSpaces(line.text.substr(0, eq)), key)) {
      value = TrimSpaces(line.text.substr(eq + 1));
      return line;
    }
  }
  return {};
}

void CheckCaseTwins(const char* kinds, const std::vector<StoredItem>& items,
                    std::vector<Finding>& findings) {
  for (size_t i = 0; i < items.size(); ++i) {
    for (size_t j = i + 1; j < items.size(); ++j) {
      if (items[i].name != items[j].name && EqualsIgnoringCase(items[i].name, items[j].name)) {
        findings.push_back({std::string(kinds) + " " + Quoted(items[i].name) + " (entry " +
                                std::to_string(items[i].entry) + ") and " + Quoted(items[j].name) +
                                " (entry " + std::to_string(items[j].entry) + ")",
                            0,
                            "names differ only in letter case; the wizard lists them as one and a "
                            "tick may drop the other"});
      }
    }
  }
}

}  // namespace

std::string Finding::Text() const {
  return item + (line > 0 ? " line " + std::to_string(line) : std::string()) + ": " + message;
}

std::vector<KeyLine> KeyLinesOf(const StoredItem& item) {
  std::vector<KeyLine> out;
  for (const Line& line : LinesOf(item.lines)) {
    const size_t eq = line.text.find('=');
    if (eq == std::string::npos) continue;
    out.push_back(
        {line.number, TrimSpaces(line.text.substr(0, eq)), TrimSpaces(line.text.substr(eq + 1))});
  }
  return out;
}

std::string ValueOf(const StoredItem& item, std::string_view key) {
  std::string value;
  FindKey(item, key, value);
  return value;
}

std::vector<Finding> FindProblems(const StoredChoices& choices,
                                  const std::vector<odbc::InstalledDriver>& installed) {
  std::vector<Finding> findings;
  CheckCaseTwins("drivers", choices.drivers, findings);
  CheckCaseTwins("data sources", choices.dataSources, findings);
  for (const StoredItem& driver : choices.drivers) {
    if (!driver.selected) continue;
    std::string value;
    if (FindKey(driver, "Driver", value).number == 0) {
      findings.push_back({ItemName("driver", driver), 0, "no Driver= line"});
    }
    CheckLines("driver", driver, findings);
  }
  for (const StoredItem& source : choices.dataSources) {
    if (!source.selected) continue;
    std::string name, library;
    const Line named = FindKey(source, "DriverName", name);
    const Line file = FindKey(source, "Driver", library);
    bool shipped = false;
    for (const StoredItem& driver : choices.drivers) {
      std::string driverFile;
      FindKey(driver, "Driver", driverFile);
      shipped =
          shipped ||
          (driver.selected &&
           ((!name.empty() && driver.name == name) ||
            (name.empty() && !library.empty() &&
             EqualsIgnoringAsciiCase(odbc::FileNameOf(driverFile), odbc::FileNameOf(library)))));
    }
    if (named.number == 0 && file.number == 0) {
      findings.push_back(
          {ItemName("data source", source), 0, "names no driver (no DriverName= or Driver= line)"});
    } else if (!shipped && odbc::FindInstalledDriver(installed, name, library) == nullptr) {
      const std::string which = !name.empty() ? name : library;
      findings.push_back({ItemName("data source", source),
                          named.number != 0 ? named.number : file.number,
                          "its driver " + Quoted(which) +
                              " is neither among the object's selected drivers nor installed on "
                              "this machine"});
    }
    CheckLines("data source", source, findings);
  }
  return findings;
}

}  // namespace lumora::cli
