// lumora: plays the setup-authoring host for the ODBC setup object's wizard and build adviser.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Command.h"

namespace lumora::cli {
namespace {

void AddHostOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("--component-dir", invocation.host.componentDir,
                 "Folder holding lumora.ini and lumora.chm (default: beside the component)");
  sub.add_option("--registry", invocation.host.registry,
                 "Where registered data sources come from: unixodbc (this machine, the default), "
                 "a .reg registry export (several may be joined into one file), wine (the Wine "
                 "prefix in $WINEPREFIX, else ~/.wine), a Wine prefix folder, or none");
  sub.add_option("--registry-view", invocation.host.registryView,
                 "32 (the default) or 64: read the registry and the system folder as a 32-bit "
                 "or a 64-bit program sees them on a 64-bit machine (Wow6432Node, syswow64)")
      ->check(CLI::IsMember({32, 64}));
  sub.add_option("--host-config", invocation.host.hostConfig,
                 "INI file with [SystemFolders] and [Drives] as the host reports them");
}

int Main(int argc, char** argv) {
  CLI::App app{
      "lumora - the wizard and build adviser of an ODBC setup object.\n\n"
      "An ODBC setup object installs the ODBC core, a chosen set of ODBC drivers and data\n"
      "sources. Its choices live in a design-object file (JSON). `lumora wizard` lets you tick\n"
      "drivers and data sources and stores them on Finish; `lumora build` answers, feature path\n"
      "by feature path, whether a feature goes into the installer; `lumora show` prints what is\n"
      "stored. The wizard and the build answers come from the component libBVLumora.so, found\n"
      "through `lumora register` or beside lumora.\n\n"
      "Exit status: 0 done, 1 the component answered false or failed, 2 bad usage or input.",
      "lumora"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "lumora " LUMORA_VERSION);
  Invocation invocation;
  const Command* chosen = nullptr;
  for (const Command& command : Commands()) {
    CLI::App* sub = app.add_subcommand(command.name, command.help);
    command.addOptions(*sub, invocation);
    if (command.takesHostSettings) AddHostOptions(*sub, invocation);
    sub->callback([&chosen, &command] { chosen = &command; });
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return static_cast<int>(ExitStatus::kBadUsage);
  }
  if (chosen == nullptr) return static_cast<int>(ExitStatus::kBadUsage);
  return static_cast<int>(chosen->run(invocation));
}

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) {
  return lumora::cli::Main(argc, argv);
}
