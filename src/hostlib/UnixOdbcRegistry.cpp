#include "hostlib/UnixOdbcRegistry.h"

#include <unistd.h>

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

UnixOdbcIni AddOdbcIniToRoot(std::string bytes, RegistryTreeKey& root, UnixOdbcReading reading) {
  UnixOdbcIni ini = ParseUnixOdbcIni(std::move(bytes), UnixOdbcFileKind::kDataSources, reading);
  if (ini.ignoredAtLine > 0) return ini;
  RegistryTreeKey& odbcIni = RegistryTree::Create(root, kOdbcIniKey);
  RegistryTreeKey& list = odbcIni.ChildOrNew(kListKey);
  std::unordered_set<std::string> seen;  // upper-cased: keys ignore case beyond ASCII too
  for (const UnixOdbcSection& section : ini.sections) {
    if (!seen.insert(UCase(section.name)).second) continue;
    // A name of backslashes alone, or the list's name with backslashes around it, would be a
    // key that already has a use: such a section is left out.
    RegistryTreeKey& source = RegistryTree::Create(odbcIni, section.name);
    if (&source == &odbcIni || &source == &list) continue;
    const UnixOdbcEntry* driver = section.Find("Driver");
    list.SetValue(std::string(section.name),
                  Value::String(std::string(driver != nullptr ? driver->value : "")));
    for (const UnixOdbcEntry& e : section.entries) {
      if (!source.HasValue(e.key)) {
        source.SetValue(std::string(e.key), Value::String(std::string(e.value)));
      }
    }
  }
  return ini;
}

std::shared_ptr<RegistryTree> LoadUnixOdbcRegistry(const UnixOdbcFiles& files,
                                                   const OdbcIniWarning& warn) {
  auto tree = std::make_shared<RegistryTree>();
  const std::pair<const std::string*, int32_t> order[] = {{&files.userFile, kCurrentUserRoot},
                                                          {&files.systemFile, kLocalMachineRoot}};
  UnixOdbcReading reading = UnixOdbcReading::kFirst;
  for (const auto& [file, root] : order) {
    std::optional<std::string> bytes;
    try {
      bytes = ReadInputFileIfPresent(*file, "unixODBC data sources");
    } catch (const HostError& e) {
      if (warn) warn(std::string(e.what()) + " (no data sources read from it)");
      continue;
    }
    if (!bytes) {
      if (root == kCurrentUserRoot) reading = UnixOdbcReading::kMerged;  // as an empty user file
      continue;
    }
    const UnixOdbcIni ini = AddOdbcIniToRoot(std::move(*bytes), tree->Root(root), reading);
    if (ini.ignoredAtLine > 0 && warn) {
      warn(IgnoredFileWarning(*file, ini.ignoredAtLine, UnixOdbcFileKind::kDataSources));
    }
    if (ini.endedAtLine > 0) break;
    // The system file is merged into the user file's sections, unless unixODBC ignored that.
    if (root == kCurrentUserRoot && ini.ignoredAtLine == 0) reading = UnixOdbcReading::kMerged;
  }
  return tree;
}

}  // namespace lumora
