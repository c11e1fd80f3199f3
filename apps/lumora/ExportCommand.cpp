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

// Every option of export, filled and checked by the parser of the one command line a process
// has: a conflict between options is a usage error before anything is read or written.
struct ExportArguments {
  std::string format;
  std::string out = ".";
  std::string component;
  bool withTranslators = false;
  bool force = false;
  std::string into;        // msi: the package the tables go into
  std::string forBuilder;  // wix: "wixl" leaves the ODBC elements out
  std::string arch = "x86";
};

ExportArguments arguments;

// The conflicts CLI11's own rules cannot say; thrown while parsing.
void CheckConflicts(const CLI::App& sub) {
  const ExportArguments& a = arguments;
  if (!a.into.empty() && a.format != "msi") {
    throw CLI::ValidationError("--into",
                               "writes into an installer package: it goes with --format msi, "
                               "not " +
                                   a.format);
  }
  if (!a.forBuilder.empty() && a.format != "wix") {
    throw CLI::ValidationError("--for",
                               "names the builder of a WiX source: it goes with "
                               "--format wix, not " +
                                   a.format);
  }
  if (sub.count("--arch") > 0 && a.format == "odbcinst") {
    throw CLI::ValidationError("--arch",
                               "is for installer packages (msi, wix): unixODBC "
                               "templates name the files of this machine");
  }
  if (sub.count("--component") > 0 && a.format == "odbcinst") {
    throw CLI::ValidationError("--component", "is for installer packages (msi, wix)");
  }
}

}  // namespace

void AddExportOptions(CLI::App& sub, Invocation& invocation) {
  ExportArguments& a = arguments;
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
  sub.add_option("--arch", a.arch,
                 "msi, wix: x86 (a 32-bit package, the default) or x64 (a 64-bit package: the "
                 "components are 64-bit, <WINSYSDIR> is System64Folder, <PROGRAMFILES> and "
                 "<COMMONFILES> their 64-bit folders)")
      ->check(CLI::IsMember({"x86", "x64"}));
  sub.add_option("--for", a.forBuilder,
                 "wix: wixl writes the folders, components and files without the ODBC elements, "
                 "which wixl does not take; --format msi --into then adds the ODBC tables")
      ->type_name("BUILDER")
      ->check(CLI::IsMember({"wixl"}));
  sub.add_flag("--with-translators", a.withTranslators,
               "Add the catalogue's translators (lumora.ini in the component folder)");
  sub.add_flag("--force", a.force,
               "Replace files of the same names in the output folder (a link at such a name is "
               "replaced, not followed; a read-only file or a folder is refused); with --into: "
               "rows of the same keys in the package");
  sub.add_option("--into", a.into,
                 "msi: write the tables straight into this installer package, which must hold "
                 "the File and Component rows they name (instead of .idt files in --out), with "
                 "the ODBC actions its InstallExecuteSequence lacks")
      ->type_name("PACKAGE")
      ->excludes("--out");
  sub.parse_complete_callback([&sub] { CheckConflicts(sub); });
  sub.footer(
      "Only the selected drivers and data sources are exported. msi writes ODBCDriver.idt,\n"
      "ODBCTranslator.idt, ODBCAttribute.idt, ODBCDataSource.idt, ODBCSourceAttribute.idt,\n"
      "_ForceCodepage.idt and lumora-odbc.sql (msibuild PACKAGE -i *.idt, then each line of\n"
      "lumora-odbc.sql with msibuild PACKAGE -q: the ODBC actions and the permanent bits);\n"
      "wix writes lumora-odbc.wxs; odbcinst writes odbcinst.ini (odbcinst -i -d -f),\n"
      "odbc-user.ini (odbcinst -i -s -h -f) and odbc-system.ini (odbcinst -i -s -l -f), path\n"
      "symbols resolved through --host-config.\n"
      "A data source kept on uninstall gets a permanent component of its own (msi, wix) or a\n"
      "'; on uninstall: keep' line above its section (odbcinst).\n"
      "From a product.wxs whose Feature holds <ComponentGroupRef Id=\"LumoraODBC\"/>:\n"
      "  lumora export OBJ --format wix --for wixl --out .\n"
      "  wixl -o product.msi product.wxs lumora-odbc.wxs   (in the folder of the files)\n"
      "  lumora export OBJ --format msi --into product.msi\n"
      "(with --arch x64 on both exports, and wixl -a x64).\n"
      "Exit status 2, nothing written, when a name or value cannot be carried by the format\n"
      "or a file of the same name is in the folder (without --force). The files are written\n"
      "beside their names and renamed into place together; on a failure every old file stays.");
}

ExitStatus RunExport(const Invocation& invocation) {
  const ExportArguments& a = arguments;
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
    const ExportOptions options{config.folders, config.drives, a.component,
                                a.arch == "x64" ? Arch::kX64 : Arch::kX86, a.forBuilder == "wixl"};
    output = a.format == "msi"   ? WriteMsiTables(choices, options)
             : a.format == "wix" ? WriteWixFragment(choices, options)
                                 : WriteOdbcinstTemplates(choices, options);
  } catch (const ExportError& e) {
    // Said of the object, and mapped to the exit status by main like every host error.
    throw ExportError(invocation.object + ": " + e.what() + "; nothing written");
  }

  if (!a.into.empty()) return WriteIntoPackage(a.into, output, a.force);

  for (const std::string& warning : output.warnings) PrintError("warning: " + warning);
  // A refusal (ExportError) or a failed write (OutputWriteError) goes to the one place that
  // maps host errors to the exit status.
  for (const std::string& path : WriteOutputFolder(a.out, output.files, a.force)) {
    std::printf("%s\n", path.c_str());
  }
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
