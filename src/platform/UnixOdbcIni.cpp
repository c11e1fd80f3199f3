// The rules, measured with unixODBC 2.3.11 (`odbcinst -q -d`, `-q -s`, `-n NAME`, isql):
//  - before the first section only blank lines and comments (# or ; after blanks) may stand:
//    any other line, a byte-order mark or an indented "[" included, makes the driver manager
//    ignore the whole file;
//  - a section starts with "[" (after blanks in the file opened first; in the first column in a
//    merged file, where an indented "[" line is dropped); its name runs to the first "]" or the
//    line end, blanks trimmed;
//  - an empty name "[]" ends the reading there;
//  - inside a section, # and ; lines are comments; any other line is an entry "key = value",
//    both trimmed, the value empty without "="; an entry without a key is dropped; in a merged
//    file an indented entry is dropped;
//  - of sections or entries with one name, ASCII case aside, the first counts (a connection and
//    `odbcinst -q -n` find the first);
//  - the reserved sections are no drivers or data sources.
#include "platform/UnixOdbcIni.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "contract/HostError.h"
#include "contract/Text.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed.front() == '#' || trimmed.front() == ';');
}

bool IsReserved(std::string_view name, UnixOdbcFileKind kind) {
  return EqualsIgnoringAsciiCase(name, "ODBC") ||
         (kind == UnixOdbcFileKind::kDataSources &&
          EqualsIgnoringAsciiCase(name, "ODBC Data Sources"));
}

// Calls `each(raw line, number)` for every line up to LF; stops when it returns false.
template <class Each>
void ForEachLine(std::string_view text, Each&& each) {
  int number = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    if (!each(text.substr(pos, end - pos), ++number)) return;
    pos = end + 1;
  }
}

}  // namespace

const UnixOdbcEntry* UnixOdbcSection::Find(std::string_view key) const {
  for (const UnixOdbcEntry& e : entries) {
    if (EqualsIgnoringAsciiCase(e.key, key)) return &e;
  }
  return nullptr;
}

UnixOdbcIni ParseUnixOdbcIni(std::string bytes, UnixOdbcFileKind kind, UnixOdbcReading reading) {
  UnixOdbcIni ini;
  if (!IsValidUtf8(bytes)) bytes = Windows1252ToUtf8(bytes);
  ini.text = std::make_unique<const std::string>(std::move(bytes));
  const std::string_view text = *ini.text;
  ForEachLine(text, [&](std::string_view raw, int number) {
    if (!raw.empty() && raw.front() == '[') return false;
    const std::string_view line = TrimOf(raw, kBlanks);
    if (line.empty() || IsComment(line)) return true;
    ini.ignoredAtLine = number;
    return false;
  });
  if (ini.ignoredAtLine > 0) return ini;

  const bool merged = reading == UnixOdbcReading::kMerged;
  const auto headers = static_cast<size_t>(std::count(text.begin(), text.end(), '['));
  ini.sections.reserve(headers);
  UnixOdbcSection* section = nullptr;  // null outside a section that counts
  size_t first = 0;                    // in ini.entries, the first of `section`'s entries
  std::string_view previous;           // the line above, trimmed
  // The names of the sections taken, ASCII case aside.
  std::unordered_set<std::string_view, AsciiCaseInsensitiveHash, AsciiCaseInsensitiveEqual> seen;
  seen.reserve(headers);
  // A section's entries are known once the next section begins; `entries` may still move.
  std::vector<std::pair<size_t, size_t>> spans;  // of each section, its first entry and the count
  const auto endSection = [&] {
    if (section != nullptr) spans.emplace_back(first, ini.entries.size() - first);
  };
  ForEachLine(text, [&](std::string_view raw, int number) {
    const std::string_view line = TrimOf(raw, kBlanks);
    const std::string_view above = std::exchange(previous, line);
    if (!line.empty() && line.front() == '[' && (!merged || raw.front() == '[')) {
      const size_t close = line.find(']');
      const std::string_view name =
          TrimOf(line.substr(1, close == std::string_view::npos ? line.npos : close - 1), kBlanks);
      if (name.empty()) {
        ini.endedAtLine = number;
        return false;
      }
      endSection();
      section = nullptr;
      if (IsReserved(name, kind)) return true;
      if (!seen.insert(name).second) return true;
      ini.sections.push_back({name, number, IsComment(above) ? above : std::string_view(), {}});
      section = &ini.sections.back();
      first = ini.entries.size();
      return true;
    }
    const bool indented = !raw.empty() && (raw.front() == ' ' || raw.front() == '\t');
    if (section == nullptr || line.empty() || IsComment(line) || line.front() == '[' ||
        (merged && indented)) {
      return true;
    }
    const size_t eq = line.find('=');
    const std::string_view key = TrimOf(line.substr(0, eq), kBlanks);
    const auto taken = [&](const UnixOdbcEntry& e) { return EqualsIgnoringAsciiCase(e.key, key); };
    if (key.empty() || std::any_of(ini.entries.begin() + static_cast<std::ptrdiff_t>(first),
                                   ini.entries.end(), taken)) {
      return true;
    }
    const std::string_view value =
        eq == std::string_view::npos ? std::string_view() : TrimOf(line.substr(eq + 1), kBlanks);
    ini.entries.push_back({key, value, number});
    return true;
  });
  endSection();
  for (size_t i = 0; i < ini.sections.size(); ++i) {
    ini.sections[i].entries = std::span(ini.entries).subspan(spans[i].first, spans[i].second);
  }
  return ini;
}

std::string IgnoredFileWarning(const std::string& path, int line, UnixOdbcFileKind kind) {
  return path + ":" + std::to_string(line) +
         ": unixODBC ignores this file: only blank lines and comments may come before the first "
         "[section] (a byte-order mark or an indented section counts), so it gives no " +
         (kind == UnixOdbcFileKind::kDrivers ? "drivers" : "data sources");
}

std::optional<UnixOdbcIni> LoadUnixOdbcIni(const std::string& path, UnixOdbcFileKind kind,
                                           UnixOdbcReading reading,
                                           const std::function<void(const std::string&)>& warn) {
  std::optional<std::string> bytes = ReadInputFileIfPresent(
      path, kind == UnixOdbcFileKind::kDrivers ? "unixODBC drivers" : "unixODBC data sources");
  if (!bytes) return std::nullopt;
  UnixOdbcIni ini = ParseUnixOdbcIni(std::move(*bytes), kind, reading);
  if (ini.ignoredAtLine > 0 && warn) warn(IgnoredFileWarning(path, ini.ignoredAtLine, kind));
  return ini;
}

}  // namespace lumora
