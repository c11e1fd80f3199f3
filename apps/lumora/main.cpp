// lumora: plays the setup-authoring host for the ODBC setup object's wizard and build adviser.
#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <string_view>

#include "Command.h"
#include "CommandLineWords.h"
#include "contract/MessageText.h"
#include "hostlib/DataFolder.h"
#include "hostlib/HostSettings.h"

namespace lumora::cli {
namespace {

constexpr const char* kHostOptionsGroup = "Host settings (wizard, build, show, export, import)";

void AddHostOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("--component-dir", invocation.host.componentDir,
                 "Folder holding lumora.ini and lumora.chm (default: the component's data "
                 "folder)")
      ->type_name("DIR")
      ->group(kHostOptionsGroup);
  sub.add_option("--registry", invocation.host.registry,
                 "Where registered data sources come from: unixodbc (this machine), live (the "
                 "system's registry, on Windows), a .reg registry export (several may be joined "
                 "into one file), wine (the Wine prefix in $WINEPREFIX, else ~/.wine), a Wine "
                 "prefix folder, or none; default: " +
                     std::string(DefaultRegistrySource()))
      ->type_name("SOURCE")
      ->group(kHostOptionsGroup);
  sub.add_option("--registry-view", invocation.host.registryView,
                 "32 (the default) or 64: read the registry and the system folder as a 32-bit "
                 "or a 64-bit program sees them on a 64-bit machine (Wow6432Node, syswow64)")
      ->check(CLI::IsMember({32, 64}))
      ->type_name("BITS")
      ->group(kHostOptionsGroup);
  sub.add_option("--host-config", invocation.host.hostConfig,
                 "INI file with [SystemFolders] and [Drives] as the host reports them")
      ->type_name("FILE")
      ->group(kHostOptionsGroup);
}

// Placeholders that say what a value is; the commands' own tables name their options only.
void NameValues(CLI::App& sub) {
  for (CLI::Option* option : sub.get_options()) {
    const std::string name = option->get_name(false, true);
    if (name == "OBJECT" || name == "LIBRARY" || name == "--script") option->type_name("FILE");
    if (name == "FEATURE") option->type_name("PATH");
    if (name == "--out") option->type_name("DIR");
    if (name == "--component") option->type_name("KEY");
    if (name == "--format") option->type_name("FORMAT");
  }
}

std::string VersionText() {
  return "lumora " LUMORA_VERSION "\nCopyright (c) " LUMORA_COPYRIGHT_YEARS
         " The Lumora developers\n"
         "License MIT: this is free software; you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.";
}

// The lines of an error: "lumora: MESSAGE" and where to read more. The parser's messages quote
// the words given, so they are shown escaped.
int BadUsage(const std::string& message, const std::string& helpCommand) {
  std::fprintf(stderr, "lumora: %s\nTry '%s --help' for more information.\n",
               EscapeForMessage(message).c_str(), EscapeForMessage(helpCommand).c_str());
  return static_cast<int>(ExitStatus::kBadUsage);
}

// What the parser says, as the rest of a "lumora: " line.
std::string ParseErrorText(const CLI::ParseError& e) {
  std::string text = e.what();
  if (e.get_name() == "RequiredError" && text.find("subcommand") != std::string::npos) {
    return "a command is required: " + JoinCommandNames();
  }
  // "The following ..." reads "the following ..."; a placeholder such as "OBJECT" keeps its case.
  if (text.size() > 1 && std::islower(static_cast<unsigned char>(text[1]))) {
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  }
  return text;
}

int Main(int argc, char** argv) {
  CLI::App app{
      "lumora - the wizard and build adviser of an ODBC setup object.\n\n"
      "An ODBC setup object installs the ODBC core, a chosen set of ODBC drivers and data\n"
      "sources. Its choices live in a design-object file (JSON). `lumora wizard` lets you tick\n"
      "drivers and data sources and stores them on Finish; `lumora build` answers, feature path\n"
      "by feature path, whether a feature goes into the installer; `lumora show` prints what is\n"
      "stored. The wizard and the build answers come from the component libBVLumora.so, found\n"
      "through `lumora register`, in lumora's own installed tree, or through a system-wide\n"
      "registry.\n\n"
      "Exit status: 0 done, 1 the component answered false or failed, 2 bad usage or input.",
      "lumora"};
  app.require_subcommand(1);
  app.footer(
      "Run 'lumora COMMAND --help' for what a command reads and writes, its options and "
      "its exit status; 'man lumora' for the wizard script and examples.");
  app.set_version_flag("-V,--version", VersionText(), "Print the version and copyright and exit");
  Invocation invocation;
  const Command* chosen = nullptr;
  for (const Command& command : Commands()) {
    CLI::App* sub = app.add_subcommand(command.name, command.help);
    command.addOptions(*sub, invocation);
    if (command.takesHostSettings) AddHostOptions(*sub, invocation);
    NameValues(*sub);
    sub->callback([&chosen, &command] { chosen = &command; });
  }
  // build answers from the stored choices alone: it accepts and checks the host settings as the
  // other commands that take them do, but its help does not offer them.
  if (CLI::App* build = app.get_subcommand("build")) {
    for (CLI::Option* option : build->get_options()) {
      if (option->get_group() == kHostOptionsGroup) option->group("");
    }
    build->footer(
        build->get_footer() +
        "\n\nThe host settings --component-dir, --registry and --host-config are "
        "accepted and checked as by the other commands that take them; build uses none of them.");
  }

  const std::string command = CommandOf(app, argc, argv);
  const std::string helpCommand = command.empty() ? "lumora" : "lumora " + command;
  if (const std::string misspelt = MisspeltWord(app, argc, argv); !misspelt.empty()) {
    return BadUsage(misspelt, helpCommand);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return BadUsage(ParseErrorText(e), helpCommand);
  }
  if (chosen == nullptr) return static_cast<int>(ExitStatus::kBadUsage);
  if (const std::string unknown = UnknownRegistrySource(invocation.host.registry);
      chosen->takesHostSettings && !unknown.empty()) {
    return BadUsage(unknown, helpCommand);
  }
  invocation.host.componentDir = layout::Absolute(invocation.host.componentDir);
  try {
    return static_cast<int>(chosen->run(invocation));
  } catch (const HostError& e) {
    PrintError(e.what());
    return static_cast<int>(ExitStatusOf(e.kind()));
  }
}

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) {
  return lumora::cli::Main(argc, argv);
}
