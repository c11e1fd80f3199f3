// lumora export: reads the stored choices as `lumora build` does (the design-object file alone,
// plus the catalogue's translators when asked), lets the chosen writer make every file in memory,
// and only then writes them into the output folder. Nothing is written when the input is refused
// or a file of the same name is already there (unless --force).
#include "ExportCommand.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "ComponentHost.h"
#include "contract/HostError.h"
#include "export/ExportWriters.h"
#include "host/DesignObjectFile.h"
#include "hostlib/HostConfig.h"

namespace lumora::cli {
namespace {

struct ExportArguments {
  std::string format;
  std::string out = ".";
  std::string component;
  bool withTranslators = false;
  bool force = false;
};

// Filled by the parser of the one command line a process has.
ExportArguments& Arguments() {
  static ExportArguments arguments;
  return arguments;
}

}  // namespace

void AddExportOptions(CLI::App& sub, Invocation& invocation) {
  ExportArguments& a = Arguments();
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON)")->required();
  sub.add_option("--format", a.format,
                 "msi: the installer database's ODBC tables as .idt files; wix: a WiX v3 "
                 "fragment; odbcinst: unixODBC templates for odbcinst -i")
      ->required()
      ->check(CLI::IsMember({"msi", "wix", "odbcinst"}));
  sub.add_option("--out", a.out, "The folder the files go to (made when missing; default: .)");
  sub.add_option("--component", a.component,
                 "msi, wix: the component every row belongs to (default: one per driver, named "
                 "from it)");
  sub.add_flag("--with-translators", a.withTranslators,
               "Add the catalogue's translators (lumora.ini in the component folder)");
  sub.add_flag("--force", a.force, "Replace files of the same names in the output folder");
  sub.footer(
      "Only the selected drivers and data sources are exported. msi writes ODBCDriver.idt,\n"
      "ODBCTranslator.idt, ODBCAttribute.idt, ODBCDataSource.idt, ODBCSourceAttribute.idt and\n"
      "_ForceCodepage.idt (msibuild PACKAGE -i *.idt); wix writes lumora-odbc.wxs; odbcinst\n"
      "writes odbcinst.ini (odbcinst -i -d -f), odbc-user.ini (odbcinst -i -s -h -f) and\n"
      "odbc-system.ini (odbcinst -i -s -l -f), path symbols resolved through --host-config.\n"
      "Exit status 2, nothing written, when a name or value cannot be carried by the format\n"
      "or a file of the same name is in the folder (without --force).");
}

ExitStatus RunExport(const Invocation& invocation) {
  const ExportArguments& a = Arguments();
  using namespace exporting;
  ExportOutput output;
  try {
    DesignObjectFile object = DesignObjectFile::Load(invocation.object);
    CheckHostSettings(invocation);
    RefuseListsThatLoadInPart(object, invocation.object, "nothing written");
    const HostConfig config = LoadHostConfig(invocation.host.hostConfig);
    ExportChoices choices = ReadStoredChoices(object);
    if (a.withTranslators) {
      std::string dir = invocation.host.componentDir;
      if (dir.empty())
        dir = std::filesystem::path(Component::Locate().path()).parent_path().string();
      choices.translators = ReadCatalogueTranslators(dir);
      WarnOfACatalogueWithoutSections((dir.ends_with('/') ? dir : dir + "/") + "lumora.ini",
                                      "no translators are exported");
    }
    const ExportOptions options{config.folders, config.drives, a.component};
    output = a.format == "msi"   ? WriteMsiTables(choices, options)
             : a.format == "wix" ? WriteWixFragment(choices, options)
                                 : WriteOdbcinstTemplates(choices, options);
  } catch (const ExportError& e) {
    PrintError(invocation.object + ": " + e.what() + "; nothing written");
    return ExitStatus::kBadUsage;
  }

  std::error_code error;
  std::filesystem::create_directories(a.out, error);
  if (error) {
    PrintError(a.out + ": cannot make the folder: " + error.message());
    return ExitStatus::kBadUsage;
  }
  if (!a.force) {
    std::string taken;
    for (const OutputFile& file : output.files) {
      if (std::filesystem::exists(std::filesystem::path(a.out) / file.name, error)) {
        taken += (taken.empty() ? "" : ", ") + file.name;
      }
    }
    if (!taken.empty()) {
      PrintError(a.out + " already holds " + taken + "; nothing written (--force replaces them)");
      return ExitStatus::kBadUsage;
    }
  }
  for (const std::string& warning : output.warnings) PrintError("warning: " + warning);
  for (const OutputFile& file : output.files) {
    const std::string path = (std::filesystem::path(a.out) / file.name).string();
    WriteFileAtomically(path, file.text);
    std::printf("%s\n", path.c_str());
  }
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
