// lumora catalogue --from SOURCE [--out DIR]: a component folder whose catalogue (lumora.ini)
// lists the drivers registered in SOURCE first, then the installed catalogue's drivers,
// translators and desktop-database lists, with links to the installed help file and artwork,
// so that `--component-dir DIR` offers this machine's drivers in the wizard's step 1.
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Command.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/Text.h"
#include "host/InstallTree.h"
#include "hostlib/DataFolder.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/LiveRegistry.h"
#include "hostlib/RegFile.h"
#include "hostlib/RegistryTree.h"
#include "hostlib/WineRegistry.h"
#include "lumora/BVLumora.h"
// On Windows the component's header brings <windows.h>, whose ReplaceFile macro would rename ours.
#undef ReplaceFile
#include "platform/SafeSave.h"
#include "platform/odbc/InstalledDrivers.h"

namespace lumora::cli {
namespace {

namespace fs = std::filesystem;
using odbc::Attribute;
using odbc::InstalledDriver;

struct Section {
  std::string name;
  std::vector<std::string> lines;  // as written, comments and blanks included
};

std::vector<Section> ReadSections(const std::string& text) {
  std::vector<Section> sections(1);  // the part before the first section
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = TrimSpaces(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      const size_t end = trimmed.find(']');
      sections.push_back(
          {TrimSpaces(trimmed.substr(1, end == std::string::npos ? end : end - 1)), {}});
    } else {
      sections.back().lines.push_back(line);
    }
  }
  return sections;
}

// The drivers a registry lists under the machine's ODBCINST.INI\ODBC Drivers, each with its
// key's text values, read through the host's registry objects (a file's tree or the live
// registry alike). Drivers are the machine's: the driver manager reads no user key for them.
std::vector<InstalledDriver> RegistryDrivers(RegistryKey& registry) {
  constexpr const char* kDriversKey = "SOFTWARE\\ODBC\\ODBCINST.INI\\";
  registry.SetRoot(kLocalMachineRoot);
  int32_t access = kKeyReadAccess;
  std::vector<InstalledDriver> drivers;
  const std::shared_ptr<RegistryKey> list =
      registry.OpenSubKey(std::string(kDriversKey) + "ODBC Drivers", access);
  if (!list) return drivers;
  const std::shared_ptr<RegistryValues> listed = list->Values();
  for (int32_t i = 1; i <= listed->Count(); ++i) {
    const std::string name = listed->Item(static_cast<int16_t>(i))->Name();
    if (odbc::FindInstalledDriver(drivers, name, "") != nullptr) continue;
    InstalledDriver driver{name, {}};
    if (const std::shared_ptr<RegistryKey> key = registry.OpenSubKey(kDriversKey + name, access)) {
      const std::shared_ptr<RegistryValues> values = key->Values();
      for (int32_t j = 1; j <= values->Count(); ++j) {
        const std::shared_ptr<RegistryValue> v = values->Item(static_cast<int16_t>(j));
        const Value data = v->Data();
        if (data.kind() == Value::Kind::String)
          driver.entries.push_back({v->Name(), data.AsText()});
      }
    }
    drivers.push_back(std::move(driver));
  }
  return drivers;
}

std::vector<InstalledDriver> SourceDrivers(const std::string& from) {
  if (from == "unixodbc") {
    return odbc::LoadInstalledDrivers(odbc::OdbcinstIniPath(),
                                      [](const std::string& warning) { PrintError(warning); });
  }
  if (from == "live") return RegistryDrivers(*NewLiveRegistryKey(32));
  std::shared_ptr<RegistryTree> tree;
  if (from == "wine") {
    tree = LoadWinePrefixRegistry(DefaultWinePrefix());
  } else if (fs::is_directory(from)) {
    tree = LoadWinePrefixRegistry(from);
  } else {
    tree = LoadRegFile(from);
  }
  UseRegistryView(*tree, 32);  // as the component sees the machine
  TreeRegistryKey registry(tree);
  return RegistryDrivers(registry);
}

// Why the catalogue cannot carry `name`, or "".
std::string Uncarriable(const std::string& name) {
  if (name.empty()) return "an empty name";
  if (name.find_first_of("[]\r\n") != std::string::npos) return "it holds [, ] or a line break";
  if (TrimSpaces(name) != name) return "it starts or ends with a blank";
  if (name.front() == ';' || name.front() == '#') return "it starts with a comment sign";
  if (EqualsIgnoringCase(name, "NONE")) return "NONE marks an unused slot";
  for (const char* list : {"Drivers", "DTDB35 Drivers", "DTDB40 Drivers", "Translators"}) {
    if (EqualsIgnoringCase(name, list)) return "it is the name of one of the catalogue's lists";
  }
  return "";
}

std::string InstalledDataFolder() {
  for (const std::string& candidate :
       layout::ComponentCandidates(layout::ProgramFolder(), LUMORA_LIBRARY_FILE)) {
    if (fs::exists(candidate)) return layout::DataFolderFor(FolderOf(candidate));
  }
  return "";
}

}  // namespace

void AddCatalogueOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("--from", invocation.from,
                 "Where the drivers are registered: unixodbc (this machine's odbcinst.ini), live "
                 "(the system's registry, on Windows), a .reg export, wine (the default Wine "
                 "prefix) or a Wine prefix folder")
      ->required()
      ->type_name("SOURCE");
  sub.add_option("--out", invocation.out, "The component folder to write (default: .)")
      ->type_name("DIR");
  sub.add_flag("--force", invocation.force, "Replace a lumora.ini that is there");
  sub.add_flag("--only-source", invocation.onlySource,
               "Leave the installed catalogue's drivers, translators and lists out");
}

ExitStatus RunCatalogue(const Invocation& invocation) {
  const std::string out = invocation.out.empty() ? "." : invocation.out;
  const std::string target = out + "/lumora.ini";
  if (std::error_code e; fs::exists(out, e) && !fs::is_directory(out, e)) {
    throw HostError::BadInput(out +
                              ": not a folder (--out names the component folder to write); "
                              "nothing written");
  }
  if (fs::exists(target) && !invocation.force) {
    throw HostError::BadInput(target + " exists; give --force to replace it");
  }
  const std::vector<InstalledDriver> drivers = SourceDrivers(invocation.from);
  for (const InstalledDriver& d : drivers) {
    if (const std::string why = Uncarriable(d.name); !why.empty()) {
      throw HostError::BadInput(invocation.from + ": the driver \"" + EscapeForMessage(d.name) +
                                "\" cannot be written into a catalogue: " + why +
                                "; nothing written");
    }
  }
  const std::string dataFolder = InstalledDataFolder();
  std::vector<Section> installed;
  if (!invocation.onlySource && !dataFolder.empty()) {
    std::ifstream file(dataFolder + "/lumora.ini", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    installed = ReadSections(text.str());
  }

  std::ostringstream ini;
  ini << "; The ODBC drivers registered in " << invocation.from << ", written by lumora catalogue";
  ini << (installed.empty() ? ".\n" : ", then the installed catalogue's items.\n");
  ini << "\n[Drivers]\n";
  int slot = 0;
  std::vector<std::string> names;
  for (const InstalledDriver& d : drivers) {
    bool known = false;
    for (const Section& s : installed) known = known || EqualsIgnoringCase(s.name, d.name);
    if (known) continue;  // the installed catalogue's own entry stays
    ini << "Driver" << slot++ << "=" << d.name << "\n";
    names.push_back(d.name);
  }
  for (const Section& s : installed) {
    if (!EqualsIgnoringCase(s.name, "Drivers")) continue;
    for (const std::string& line : s.lines) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string value = TrimSpaces(line.substr(eq + 1));
      if (!value.empty() && !EqualsIgnoringCase(value, "NONE"))
        ini << "Driver" << slot++ << "=" << value << "\n";
    }
  }
  for (const InstalledDriver& d : drivers) {
    if (std::find(names.begin(), names.end(), d.name) == names.end()) continue;
    ini << "\n[" << d.name << "]\n";
    for (const char* first : {"Driver", "Setup"}) {
      if (const std::string v = d.Entry(first); !v.empty()) ini << first << "=" << v << "\n";
    }
    for (const Attribute& a : d.entries) {
      if (EqualsIgnoringAsciiCase(a.key, "Driver") || EqualsIgnoringAsciiCase(a.key, "Setup") ||
          EqualsIgnoringAsciiCase(a.key, "UsageCount") ||
          a.value.find_first_of("\r\n") != std::string::npos) {
        continue;
      }
      ini << a.key << "=" << a.value << "\n";
    }
  }
  for (size_t i = 1; i < installed.size(); ++i) {
    if (EqualsIgnoringCase(installed[i].name, "Drivers")) continue;
    ini << "\n[" << installed[i].name << "]\n";
    std::string body;
    for (const std::string& line : installed[i].lines) body += line + "\n";
    while (body.size() > 1 && body[body.size() - 1] == '\n' && body[body.size() - 2] == '\n')
      body.pop_back();
    ini << body;
  }

  std::error_code error;
  fs::create_directories(out, error);
  ReplaceFile(MachineFileSystem(), target, ini.str());
  // The help file and the artwork stay the installed ones: linked, or copied where the system
  // makes no link (Windows, without the privilege to create symbolic links).
  for (const char* name : {"lumora.chm", "sidepanel.png"}) {
    const fs::path from = fs::path(dataFolder) / name, link = fs::path(out) / name;
    if (dataFolder.empty() || !fs::exists(from) || fs::equivalent(from.parent_path(), out, error))
      continue;
    fs::remove(link, error);
    fs::create_symlink(fs::absolute(from), link, error);
    if (error) fs::copy_file(from, link, fs::copy_options::overwrite_existing, error);
  }
  std::printf("%s: %zu drivers from %s\n", target.c_str(), names.size(), invocation.from.c_str());
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
