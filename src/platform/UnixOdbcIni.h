// unixODBC's ini files (odbcinst.ini, odbc.ini) read as its driver manager reads them, so that
// every part of Lumora sees the drivers and data sources `odbcinst -q -d`/`-s` and a connection
// see. One reader for discovery, `check`, `catalogue` and `import`; the rules are in the .cpp.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// Names, keys, values and notes point into the text their UnixOdbcIni holds.
struct UnixOdbcEntry {
  std::string_view key, value;  // blanks (spaces, tabs, CR) around each trimmed
  int line = 0;
};

struct UnixOdbcSection {
  std::string_view name;
  int line = 0;
  std::string_view note;  // the comment line right above the section's line, trimmed; "" if none
  // File order, the first of each key (ASCII case aside); a part of UnixOdbcIni::entries.
  std::span<const UnixOdbcEntry> entries;
  const UnixOdbcEntry* Find(std::string_view key) const;  // ignoring ASCII case; null if absent
};

enum class UnixOdbcFileKind {
  kDrivers,      // odbcinst.ini: [ODBC] holds the driver manager's settings
  kDataSources,  // odbc.ini: [ODBC] and [ODBC Data Sources] are no data sources
};

enum class UnixOdbcReading {
  kFirst,   // the file the driver manager opens first: indented sections and keys count
  kMerged,  // a file merged into the first one: a line that starts with a blank is dropped
};

struct UnixOdbcIni {
  std::vector<UnixOdbcSection> sections;  // the reserved ones aside, the first of each name
  std::vector<UnixOdbcEntry> entries;     // those of every section, section by section
  int ignoredAtLine = 0;  // the line that makes unixODBC ignore the whole file; 0 when read
  int endedAtLine = 0;    // the empty section name "[]" after which nothing more is read
  std::unique_ptr<const std::string> text;  // the file as UTF-8, which the sections point into
};

// The sections of one file's bytes (UTF-8 when the whole file is, else Windows-1252).
UnixOdbcIni ParseUnixOdbcIni(std::string bytes, UnixOdbcFileKind kind,
                             UnixOdbcReading reading = UnixOdbcReading::kFirst);

// The file at `path`; nullopt when it does not exist. A file that cannot be read is refused
// with a HostError naming it. A file unixODBC ignores is named through `warn` and gives nothing.
std::optional<UnixOdbcIni> LoadUnixOdbcIni(
    const std::string& path, UnixOdbcFileKind kind,
    UnixOdbcReading reading = UnixOdbcReading::kFirst,
    const std::function<void(const std::string&)>& warn = {});

// "FILE:LINE: unixODBC ignores this file: ..." for a file whose `ignoredAtLine` is set.
std::string IgnoredFileWarning(const std::string& path, int line, UnixOdbcFileKind kind);

}  // namespace lumora
