// lumora export: reads the stored choices as `lumora build` does (the design-object file alone,
// plus the catalogue's translators when asked), lets the chosen writer make every file in memory,
// and only then puts them into the output folder, all or nothing (export/OutputFolder.h). Nothing
// is written when the input is refused or a file of the same name is already there (unless
// --force, which replaces it but never writes through a link at its name).
#include "ExportCommand.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>

#include "ComponentHost.h"
#include "ExportInto.h"
#include "contract/HostError.h"
#include "export/ExportWriters.h"
#include "export/OutputFolder.h"
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
  std::string into;  // msi: the package the tables go into
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
  sub.add_flag("--force", a.force,
               "Replace files of the same names in the output folder (a link at such a name is "
               "replaced, not followed; a read-only file or a folder is refused); with --into: "
               "rows of the same keys in the package");
  sub.add_option("--into", a.into,
                 "msi: write the tables straight into this installer package, which must hold "
                 "the File and Component rows they name (instead of .idt files in --out)")
      ->type_name("PACKAGE")
      ->excludes("--out");
  sub.footer(
      "Only the selected drivers and data sources are exported. msi writes ODBCDriver.idt,\n"
      "ODBCTranslator.idt, ODBCAttribute.idt, ODBCDataSource.idt, ODBCSourceAttribute.idt and\n"
      "_ForceCodepage.idt (msibuild PACKAGE -i *.idt); wix writes lumora-odbc.wxs; odbcinst\n"
      "writes odbcinst.ini (odbcinst -i -d -f), odbc-user.ini (odbcinst -i -s -h -f) and\n"
      "odbc-system.ini (odbcinst -i -s -l -f), path symbols resolved through --host-config.\n"
      "A data source kept on uninstall gets a permanent component of its own (msi, wix) or a\n"
      "'; on uninstall: keep' line above its section (odbcinst).\n"
      "Exit status 2, nothing written, when a name or value cannot be carried by the format\n"
      "or a file of the same name is in the folder (without --force). The files are written\n"
      "beside their names and renamed into place together; on a failure every old file stays.");
}

ExitStatus RunExport(const Invocation& invocation) {
  const ExportArguments& a = Arguments();
  using namespace exporting;
  ExportOutput output;
  try {
    HostConfig config;
    ExportChoices choices;
    {
      // The object goes once its choices are read: the model and the files take its room.
      DesignObjectFile object = DesignObjectFile::Load(invocation.object);
      CheckHostSettings(invocation);
      RefuseListsThatLoadInPart(object, invocation.object, "nothing written");
      config = LoadHostConfig(invocation.host.hostConfig);
      choices = ReadStoredChoices(object);
    }
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

  if (!a.into.empty()) return WriteIntoPackage(a.into, a.format, output, a.force);

  for (const std::string& warning : output.warnings) PrintError("warning: " + warning);
  // A refusal (ExportError) or a failed write (OutputWriteError) goes to the one place that
  // maps host errors to the exit status.
  for (const std::string& path : WriteOutputFolder(a.out, output.files, a.force)) {
    std::printf("%s\n", path.c_str());
  }
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
