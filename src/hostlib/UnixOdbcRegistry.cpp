#include "hostlib/UnixOdbcRegistry.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "contract/HostError.h"
#include "contract/LocalPaths.h"
#include "contract/Text.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

constexpr std::string_view kOdbcIniKey = "SOFTWARE\\ODBC\\ODBC.INI";
constexpr std::string_view kListKey = "ODBC Data Sources";

std::string_view TrimSpace(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  size_t e = s.size();
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

}  // namespace

UnixOdbcFiles LocateUnixOdbcFiles() {
  UnixOdbcFiles files;
  if (const char* ini = std::getenv("ODBCINI"); ini != nullptr && *ini != '\0') {
    files.userFile = ini;
  } else {
    files.userFile = HomeFolder(HomeLookup::kUserDatabaseFirst) + "/.odbc.ini";
  }
  if (const char* sys = std::getenv("ODBCSYSINI"); sys != nullptr && *sys != '\0') {
    files.systemFile = std::string(sys) + "/odbc.ini";
  } else {
    files.systemFile = "/etc/odbc.ini";
  }
  return files;
}

OdbcIniOutcome AddOdbcIniToRoot(std::string_view bytes, RegistryTreeKey& root, OdbcIniMode mode) {
  OdbcIniOutcome outcome;
  const std::string text = IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
  // A first pass finds a line that makes unixODBC ignore the whole file.
  int number = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view raw = std::string_view(text).substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!raw.empty() && raw.front() == '[') break;
    const std::string_view line = TrimSpace(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    outcome.rejectedLine = number;
    return outcome;
  }

  RegistryTreeKey& odbcIni = RegistryTree::Create(root, kOdbcIniKey);
  RegistryTreeKey& list = odbcIni.ChildOrNew(kListKey);
  std::unordered_set<std::string> seenSections;
  RegistryTreeKey* source = nullptr;  // null outside a data-source section
  std::string name;
  bool hasDriver = false;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view raw = std::string_view(text).substr(pos, end - pos);
    pos = end + 1;
    const std::string_view header = mode == OdbcIniMode::kFirst ? TrimSpace(raw) : raw;
    if (!header.empty() && header.front() == '[') {
      const size_t close = header.find(']');
      name = std::string(
          TrimSpace(header.substr(1, close == std::string_view::npos ? header.npos : close - 1)));
      if (name.empty()) {
        outcome.listEnded = true;
        break;
      }
      const std::string upper = UCase(name);
      source = nullptr;
      if (upper != "ODBC" && upper != "ODBC DATA SOURCES" && seenSections.insert(upper).second) {
        source = &RegistryTree::Create(odbcIni, name);
        // A name of backslashes alone, or the list's name with backslashes around it, would
        // be a key that already has a use: such a section is left out.
        if (source == &odbcIni || source == &list) {
          source = nullptr;
          continue;
        }
        list.SetValue(name, Value::String(""));
        hasDriver = false;
      }
      continue;
    }
    const std::string_view line = TrimSpace(raw);
    // An indented line of a merged file is neither a section nor an entry: unixODBC drops it,
    // so the data source it would connect to has no such key.
    const bool indented = !raw.empty() && (raw.front() == ' ' || raw.front() == '\t');
    if (source == nullptr || line.empty() || line.front() == '#' || line.front() == ';' ||
        line.front() == '[' || (mode == OdbcIniMode::kMerged && indented)) {
      continue;
    }
    const size_t eq = line.find('=');
    const std::string key(TrimSpace(line.substr(0, eq)));
    const std::string value(eq == std::string_view::npos ? std::string_view()
                                                         : TrimSpace(line.substr(eq + 1)));
    if (key.empty() || source->HasValue(key)) continue;
    if (!hasDriver && EqualsIgnoringCase(key, "Driver")) {
      hasDriver = true;
      list.SetValue(name, Value::String(value));
    }
    source->SetValue(key, Value::String(value));
  }
  return outcome;
}

std::shared_ptr<RegistryTree> LoadUnixOdbcRegistry(const UnixOdbcFiles& files,
                                                   const OdbcIniWarning& warn) {
  auto tree = std::make_shared<RegistryTree>();
  const std::pair<const std::string*, int32_t> order[] = {{&files.userFile, kCurrentUserRoot},
                                                          {&files.systemFile, kLocalMachineRoot}};
  OdbcIniMode mode = OdbcIniMode::kFirst;
  for (const auto& [file, root] : order) {
    std::optional<std::string> bytes;
    try {
      bytes = ReadInputFileIfPresent(*file, "unixODBC data sources");
    } catch (const HostError& e) {
      if (warn) warn(std::string(e.what()) + " (no data sources read from it)");
      continue;
    }
    if (!bytes) {
      if (root == kCurrentUserRoot) mode = OdbcIniMode::kMerged;  // as an empty user file
      continue;
    }
    const OdbcIniOutcome outcome = AddOdbcIniToRoot(*bytes, tree->Root(root), mode);
    if (outcome.rejectedLine > 0 && warn) {
      warn(*file + ":" + std::to_string(outcome.rejectedLine) +
           ": unixODBC ignores this file: only blank lines and comments may come before the "
           "first [section] (a byte-order mark or an indented section counts), so it gives no "
           "data sources");
    }
    if (outcome.listEnded) break;
    // The system file is merged into the user file's sections, unless unixODBC ignored that.
    if (root == kCurrentUserRoot && outcome.rejectedLine == 0) mode = OdbcIniMode::kMerged;
  }
  return tree;
}

}  // namespace lumora
