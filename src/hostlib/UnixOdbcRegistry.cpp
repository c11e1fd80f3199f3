#include "hostlib/UnixOdbcRegistry.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "contract/Text.h"

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

bool ReadWholeFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  content = out.str();
  return true;
}

}  // namespace

UnixOdbcFiles LocateUnixOdbcFiles() {
  UnixOdbcFiles files;
  if (const char* ini = std::getenv("ODBCINI"); ini != nullptr && *ini != '\0') {
    files.userFile = ini;
  } else {
    std::string home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
      home = pw->pw_dir;
    } else if (const char* h = std::getenv("HOME"); h != nullptr) {
      home = h;
    }
    files.userFile = home + "/.odbc.ini";
  }
  if (const char* sys = std::getenv("ODBCSYSINI"); sys != nullptr && *sys != '\0') {
    files.systemFile = std::string(sys) + "/odbc.ini";
  } else {
    files.systemFile = "/etc/odbc.ini";
  }
  return files;
}

void AddOdbcIniToRoot(std::string_view text, RegistryTreeKey& root) {
  RegistryTreeKey& odbcIni = RegistryTree::Create(root, kOdbcIniKey);
  struct Entry {
    std::string name;
    std::string driver;
  };
  std::vector<Entry> sections;  // data-source sections in file order
  std::vector<Entry> listed;    // entries of [ODBC Data Sources]
  std::unordered_set<std::string> seenSections;
  std::unordered_set<std::string> seenListed;
  bool hasListSection = false;

  enum class In { kNothing, kSkipped, kList, kSource } in = In::kNothing;
  RegistryTreeKey* source = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimSpace(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      if (close == std::string_view::npos) close = line.size();
      const std::string name(TrimSpace(line.substr(1, close - 1)));
      const std::string upper = UCase(name);
      if (upper == "ODBC DATA SOURCES") {
        in = In::kList;
        hasListSection = true;
      } else if (upper == "ODBC" || name.empty() || !seenSections.insert(upper).second) {
        in = In::kSkipped;  // not a data source, or a repeated section (the first one counts)
      } else {
        in = In::kSource;
        source = &odbcIni.ChildOrNew(name);
        sections.push_back({name, {}});
      }
      continue;
    }
    if (in == In::kNothing || in == In::kSkipped) continue;
    const size_t eq = line.find('=');
    const std::string name(TrimSpace(line.substr(0, eq)));
    const std::string value(eq == std::string_view::npos ? std::string_view()
                                                         : TrimSpace(line.substr(eq + 1)));
    if (name.empty()) continue;
    if (in == In::kList) {
      if (seenListed.insert(UCase(name)).second) listed.push_back({name, value});
      continue;
    }
    if (source->HasValue(name)) continue;
    if (sections.back().driver.empty() && EqualsIgnoringCase(name, "Driver")) {
      sections.back().driver = value;
    }
    source->SetValue(name, Value::String(value));
  }

  RegistryTreeKey& list = odbcIni.ChildOrNew(kListKey);
  for (const Entry& e : hasListSection ? listed : sections) {
    list.SetValue(e.name, Value::String(e.driver));
  }
}

std::shared_ptr<RegistryTree> LoadUnixOdbcRegistry(const UnixOdbcFiles& files) {
  auto tree = std::make_shared<RegistryTree>();
  std::string content;
  if (ReadWholeFile(files.userFile, content)) {
    AddOdbcIniToRoot(content, tree->Root(kCurrentUserRoot));
  }
  content.clear();
  if (ReadWholeFile(files.systemFile, content)) {
    AddOdbcIniToRoot(content, tree->Root(kLocalMachineRoot));
  }
  return tree;
}

}  // namespace lumora
