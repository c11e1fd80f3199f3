// The command-line host's subcommands: each is a row of the table in Commands.cpp with its
// name, one-line help, the options it adds and its handler. Only the host prints and exits.
#pragma once

#include <string>
#include <vector>

#include "contract/HostError.h"
#include "hostlib/HostSettings.h"

namespace CLI {
class App;
}

namespace lumora {
class DesignObject;
}

namespace lumora::cli {

enum class ExitStatus : int {
  kDone = 0,         // the command did its work
  kComponentNo = 1,  // the component answered false or failed (wizard cancelled, query failed)
  kBadUsage = 2,     // bad usage or input; nothing written
};

// What the command line said, filled by the options each command adds.
// import's own options.
struct ImportOptions {
  std::vector<std::string> sources;
  bool replace = false, system = false, user = false;
};

struct Invocation {
  HostSettings host;
  std::string object;
  std::vector<std::string> features;
  std::string script;
  bool scriptGiven = false;
  std::string ui;       // wizard: "window", "terminal" or "" (the window when it can be shown)
  std::string library;  // register, unregister: the component's file
  std::vector<std::string> names;  // check: the data sources to try
  bool json = false;               // check
  bool noConnect = false;          // check
  bool drivers = false;            // check
  int timeoutSeconds = 10;         // check
  int deadlineSeconds = 0;         // check: 0 for kDeadlineTimeouts times the timeout
  bool showSecrets = false;        // show
  std::string package;             // check: the installer package to check against
  bool strict = false;             // check: warnings count as findings
  std::string from, out;           // catalogue
  bool force = false;              // catalogue
  bool onlySource = false;         // catalogue
  ImportOptions import;
};

struct Command {
  const char* name;
  const char* help;
  void (*addOptions)(CLI::App& sub, Invocation& invocation);
  ExitStatus (*run)(const Invocation& invocation);
  bool takesHostSettings;  // --component-dir, --registry, --host-config
};

const std::vector<Command>& Commands();

// Checks the invocation's host settings as the component will read them; throws HostError
// (naming the file and line) when a registry export or host settings file cannot be used.
void CheckHostSettings(const Invocation& invocation);

// Throws HostError (bad input) saying what is wrong and `outcome` ("nothing was shown") when the
// object's stored lists would load only in part (CheckStoredLists). The wizard, show and export
// refuse alike.
void RefuseListsThatLoadInPart(DesignObject& object, const std::string& objectName,
                               const char* outcome);

// A catalogue that is not empty but gives the profile functions no section (UTF-16 text without
// its byte-order mark, say) is named in a warning on standard error, with `consequence`.
void WarnOfACatalogueWithoutSections(const std::string& catalogue, const char* consequence);

// The exit status of a command stopped by a HostError of `kind`: the one place that decides it.
ExitStatus ExitStatusOf(HostError::Kind kind);

// One line on standard error: "lumora: MESSAGE".
void PrintError(const std::string& message);

ExitStatus RunBuild(const Invocation& invocation);
ExitStatus RunShow(const Invocation& invocation);
ExitStatus RunWizard(const Invocation& invocation);
ExitStatus RunRegister(const Invocation& invocation);
ExitStatus RunUnregister(const Invocation& invocation);
void AddBuildOptions(CLI::App& sub, Invocation& invocation);
void AddShowOptions(CLI::App& sub, Invocation& invocation);
void AddWizardOptions(CLI::App& sub, Invocation& invocation);
void AddRegisterOptions(CLI::App& sub, Invocation& invocation);
ExitStatus RunCheck(const Invocation& invocation);
void AddCheckOptions(CLI::App& sub, Invocation& invocation);
ExitStatus RunCatalogue(const Invocation& invocation);
void AddCatalogueOptions(CLI::App& sub, Invocation& invocation);

}  // namespace lumora::cli
