#include <CLI/CLI.hpp>

#include <unistd.h>
#include <cstdio>
#include <memory>

#include "Command.h"
#include "host/contract/Environment.h"
#include "hostlib/LocalHostLibrary.h"

namespace lumora::cli {

const std::vector<Command>& Commands() {
  static const std::vector<Command> table = {
      {"build",
       "Answer the build-time question for each FEATURE path (all 64 when none is given): "
       "one line each, true or false, a tab, the path",
       AddBuildOptions, RunBuild},
      {"show", "Print the choices stored in a design object: drivers, data sources, version",
       AddShowOptions, RunShow},
      {"wizard",
       "Open the wizard on a design object; with --script FILE it runs headless, driven by the "
       "actions in FILE. Finish rewrites the object; anything else leaves it untouched",
       AddWizardOptions, RunWizard},
  };
  return table;
}

namespace {

// The folder of this program's own file: the build and the install put the component's
// files beside it.
std::string OwnFolder() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return ".";
  path.resize(static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

void AttachHost(const Invocation& invocation) {
  // Throws HostSetupError for an unusable --registry export or --host-config file, before the
  // component is attached.
  HostSettings settings = invocation.host;
  if (settings.componentDir.empty()) settings.componentDir = OwnFolder();
  const std::string folder = settings.componentDir;
  component::Attach(std::make_shared<LocalHostLibrary>(std::move(settings)), folder);
}

void PrintError(const std::string& message) {
  std::fprintf(stderr, "lumora: %s\n", message.c_str());
}

}  // namespace lumora::cli
