#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <cstdio>

#include "Command.h"
#include "ExportCommand.h"
#include "ImportCommand.h"
#include "contract/MessageText.h"
#include "host/StoredLists.h"
#include "hostlib/LocalHostLibrary.h"
#include "platform/ProfileFile.h"

namespace lumora::cli {

const std::vector<Command>& Commands() {
  static const std::vector<Command> table = {
      {"build",
       "Answer the build-time question for each FEATURE path (all 64 when none is given): "
       "one line each, true or false, a tab, the path",
       AddBuildOptions, RunBuild, true},
      {"show", "Print the choices stored in a design object: drivers, data sources, version",
       AddShowOptions, RunShow, true},
      {"export",
       "Write the stored choices as installer input: the installer database's ODBC tables "
       "(.idt), a WiX v3 fragment, or unixODBC templates for odbcinst",
       AddExportOptions, RunExport, true},
      {"import",
       "Store the drivers and data sources of an installer package, a WiX source or unixODBC "
       "files in a design object, as Finish stores them",
       AddImportOptions, RunImport, true},
      {"check",
       "Try each selected data source's connection on this machine (each in a child process, "
       "killed at the timeout; passwords never shown) after the checks that need none: lines "
       "that are not KEY=value, drivers neither shipped nor installed, names differing in case",
       AddCheckOptions, RunCheck, false},
      {"catalogue",
       "Write a component folder whose catalogue (lumora.ini) offers the drivers registered in "
       "a source (this machine's unixODBC, a .reg export, a Wine prefix) in the wizard's step 1, "
       "for --component-dir",
       AddCatalogueOptions, RunCatalogue, false},
      {"wizard",
       "Open the wizard on a design object; with --script FILE it runs headless, driven by the "
       "actions in FILE. Finish rewrites the object; anything else leaves it untouched",
       AddWizardOptions, RunWizard, true},
      {"register",
       "Record the component (class LumoraCtl, BVLumora.LumoraCtl) in your component registry, "
       "$XDG_DATA_HOME/lumora/components.json, so that hosts load it from where it lies",
       AddRegisterOptions, RunRegister, false},
      {"unregister",
       "Remove what `lumora register` recorded from your component registry; lumora then loads "
       "the component installed beside it",
       AddRegisterOptions, RunUnregister, false},
  };
  return table;
}

void CheckHostSettings(const Invocation& invocation) {
  LocalHostLibrary check(invocation.host);  // reads a .reg export and the settings file
}

void RefuseListsThatLoadInPart(DesignObject& object, const std::string& objectName,
                               const char* outcome) {
  if (const std::string wrong = CheckStoredLists(object, objectName); !wrong.empty()) {
    throw HostError::BadInput(wrong + "; " + outcome);
  }
}

void WarnOfACatalogueWithoutSections(const std::string& catalogue, const char* consequence) {
  struct stat st {};
  if (::stat(ProfileFileSystemPath(catalogue).c_str(), &st) != 0 || st.st_size == 0) return;
  if (GetPrivateProfileStringA(nullptr, nullptr, "", 3, catalogue).returned > 0) return;
  PrintError("warning: " + catalogue + ": no section in the catalogue's " +
             std::to_string(st.st_size) + " bytes; " + consequence);
}

ExitStatus ExitStatusOf(HostError::Kind kind) {
  switch (kind) {
    case HostError::Kind::kBadInput:
      return ExitStatus::kBadUsage;
    case HostError::Kind::kNotDone:
      return ExitStatus::kComponentNo;
  }
  return ExitStatus::kComponentNo;
}

void PrintError(const std::string& message) {
  // Whatever a file held, no control character reaches the terminal and no NUL cuts the line.
  std::fprintf(stderr, "lumora: %s\n", EscapeForMessage(message).c_str());
}

}  // namespace lumora::cli
