// What `lumora check` finds in a design object without trying a connection: lines that are not
// KEY=value, empty values, keys a connection string refuses (KeyRefusal), a driver without its
// Driver= line, a data source whose driver is neither shipped by the object nor installed on this
// machine, and stored names that differ only in letter case. Each finding names the item and, where
// it is one line's fault, the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/InstalledDrivers.h"

namespace lumora::cli {

// A driver or data source as the object stores it.
struct StoredItem {
  std::string name;
  std::string lines;  // the attribute lines, joined by CR LF
  bool selected = false;
  int entry = 0;  // its position in the stored list, from 1
};

struct StoredChoices {
  std::vector<StoredItem> drivers;
  std::vector<StoredItem> dataSources;
};

// A finding is an error (exit status 1) unless it is a warning: what only breaks on the target
// (TargetFindings.h), which changes the exit status only with --strict.
enum class Severity { kError, kWarning };

struct Finding {
  std::string item;  // `driver "X"`, `data source "Y"`, `table ODBCDriver, row X`
  int line = 0;      // the attribute line, from 1; 0 when the finding is about the item
  std::string message;
  Severity severity = Severity::kError;
  std::string file;          // the file it is about when not the object (a package)
  std::string Text() const;  // `data source "Y" line 3: ...`
};

// A KEY=value line of an item: its number from 1, the key and the value with blanks trimmed.
struct KeyLine {
  int number = 0;
  std::string key, value;
};

// The item's lines that hold a '=' (the others are findings of their own).
std::vector<KeyLine> KeyLinesOf(const StoredItem& item);

// The value of the item's first line named `key` (ASCII case ignored), blanks trimmed; "" when
// none.
std::string ValueOf(const StoredItem& item, std::string_view key);

std::vector<Finding> FindProblems(const StoredChoices& choices,
                                  const std::vector<odbc::InstalledDriver>& installed);

}  // namespace lumora::cli
