// lumora import: every source is read whole and checked before the object is touched; the
// object is then saved once, with the same safe save as the wizard's Finish. A missing object
// file is made.
#include "ImportCommand.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>

#include "contract/HostError.h"
#include "export/ImportStore.h"
#include "export/ImportedChoices.h"
#include "export/InstallerFormats.h"
#include "host/DesignObjectFile.h"
#include "hostlib/HostConfig.h"
#include "platform/InputFile.h"

namespace lumora::cli {
namespace {

namespace fs = std::filesystem;
using namespace exporting;

std::string Extension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

void Append(ImportedChoices& into, ImportedChoices&& from) {
  for (auto [to, list] :
       {std::pair{&into.drivers, &from.drivers}, std::pair{&into.translators, &from.translators},
        std::pair{&into.dataSources, &from.dataSources}}) {
    std::move(list->begin(), list->end(), std::back_inserter(*to));
  }
  std::move(from.warnings.begin(), from.warnings.end(), std::back_inserter(into.warnings));
  std::move(from.notes.begin(), from.notes.end(), std::back_inserter(into.notes));
}

// --system and --user say what an odbc.ini leaves unsaid; any other source says it itself.
void RefuseAStatedType(const std::string& source, SourceType type) {
  if (type == SourceType::kUnstated) return;
  const char* flag = type == SourceType::kSystem ? "--system" : "--user";
  std::error_code error;
  if (fs::is_directory(source, error)) {
    throw ImportError(source + ": " + flag +
                      " is for an odbc.ini; in a folder of templates the file names "
                      "(odbc-user.ini, odbc-system.ini) say each data source's type");
  }
  if (Extension(source) != ".ini") {
    throw ImportError(source + ": " + flag +
                      " is for an odbc.ini; an installer package or a WiX source states each "
                      "data source's type itself");
  }
}

ImportedChoices ReadSource(const std::string& source, SourceType type, const HostConfig& config) {
  RefuseAStatedType(source, type);
  std::error_code error;
  if (fs::is_directory(source, error)) {
    // A folder of the templates export --format odbcinst writes.
    ImportedChoices all;
    bool any = false;
    for (const char* name : {"odbcinst.ini", "odbc-user.ini", "odbc-system.ini"}) {
      const std::string path = (fs::path(source) / name).string();
      if (!fs::exists(path, error)) continue;
      any = true;
      Append(all, ReadOdbcinstFile(path, SourceType::kUnstated, config.folders, config.drives));
    }
    if (!any) {
      throw ImportError(source +
                        ": a folder without odbcinst.ini, odbc-user.ini or "
                        "odbc-system.ini");
    }
    return all;
  }
  const std::string ext = Extension(source);
  if (ext == ".msi" || ext == ".msm") {
    if (!fs::is_regular_file(source, error)) {
      ReadInputFile(source, "installer package");  // throws, saying why
    }
    return LoadInstallerFormats().readInstallerPackage(source, config.folders);
  }
  if (ext == ".wxs" || ext == ".wxi") {
    return LoadInstallerFormats().readWixSource(source, config.folders);
  }
  if (ext == ".ini") return ReadOdbcinstFile(source, type, config.folders, config.drives);
  throw ImportError(source +
                    ": which kind of source? an installer package (.msi, .msm), a WiX source "
                    "(.wxs) or unixODBC files (.ini, or a folder of them)");
}

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < 10; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > 10) text += " and " + std::to_string(names.size() - 10) + " more";
  return text;
}

}  // namespace

void AddImportOptions(CLI::App& sub, Invocation& invocation) {
  ImportOptions& a = invocation.import;
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON); made when missing")
      ->required();
  sub.add_option("--from", a.sources,
                 "What to read: an installer package (.msi, .msm), a WiX source (.wxs), "
                 "unixODBC files (odbcinst.ini for drivers, any other .ini for data sources) or "
                 "a folder holding the templates export --format odbcinst writes; may be given "
                 "more than once")
      ->required()
      ->type_name("SOURCE");
  sub.add_flag("--replace", a.replace,
               "The imported items replace the stored drivers and data sources (default: they "
               "join them, one of the same name replacing the stored one)");
  auto* system =
      sub.add_flag("--system", a.system, "The data sources of an odbc.ini are system data sources");
  auto* user = sub.add_flag("--user", a.user, "The data sources of an odbc.ini are user ones");
  system->excludes(user);
  sub.footer(
      "Every imported item is stored selected, as Finish stores it: drivers with their\n"
      "Driver=/Setup= lines under the path symbol of their folder (--host-config names the\n"
      "folders and, for unixODBC files, the drives), data sources with their type and\n"
      "uninstall flag. Translators are read but not stored: the object keeps none.\n"
      "Exit status 2, nothing written, when a source cannot be read whole, a list would pass\n"
      "32,767 items or a name or line cannot be stored; 1 when the object cannot be saved.");
}

ExitStatus RunImport(const Invocation& invocation) {
  const ImportOptions& a = invocation.import;
  const SourceType type = a.system ? SourceType::kSystem
                          : a.user ? SourceType::kUser
                                   : SourceType::kUnstated;
  std::optional<DesignObjectFile> object;
  ImportedChoices choices;
  StoreResult result;
  std::error_code error;
  object = fs::exists(invocation.object, error) || fs::is_symlink(invocation.object, error)
               ? DesignObjectFile::Load(invocation.object)
               : DesignObjectFile::Parse(invocation.object, "{\"properties\": {}}\n");
  CheckHostSettings(invocation);
  const HostConfig config = LoadHostConfig(invocation.host.hostConfig);
  for (const std::string& source : a.sources) Append(choices, ReadSource(source, type, config));
  result = StoreImported(*object, invocation.object, choices,
                         a.replace ? ImportMode::kReplace : ImportMode::kJoin);
  for (const std::string& warning : choices.warnings) PrintError("warning: " + warning);
  if (!choices.translators.empty()) {
    PrintError("warning: " + std::to_string(choices.translators.size()) +
               " translator(s) read but not stored: the design object keeps no translators");
  }
  object->Save();  // a failure is the host's error: the choices go to a recovery file
  std::printf("%s: imported %zu driver(s) and %zu data source(s); it now stores %zu and %zu\n",
              invocation.object.c_str(), choices.drivers.size(), choices.dataSources.size(),
              result.drivers, result.dataSources);
  for (const std::string& note : choices.notes) std::printf("%s\n", note.c_str());
  if (!result.replaced.empty()) {
    std::printf("replaced the stored %s\n", Listed(result.replaced).c_str());
  }
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
