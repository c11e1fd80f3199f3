// lumora register [LIBRARY] and lumora unregister [LIBRARY]: call the component's own
// registration exports, as a setup-authoring host's registration tool does.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Command.h"
#include "ComponentHost.h"
#include "hostlib/ComponentRegistry.h"

namespace lumora::cli {
namespace {

ExitStatus CallRegistration(const Invocation& invocation, bool add) {
  const std::string path =
      invocation.library.empty() ? Component::LocateBesideLumora() : invocation.library;
  // The component writes the registry only when it is the user's own; say why it is not.
  ReadComponentRegistry(ComponentRegistryFile());
  const Component component = Component::Load(path);
  const LumoraHResult result = add ? component.registerServer() : component.unregisterServer();
  if (LUMORA_FAILED(result)) {
    PrintError(std::string(add ? "DllRegisterServer" : "DllUnregisterServer") + " of " + path +
               " failed (" + ResultText(result) + ")");
    return ExitStatus::kComponentNo;
  }
  std::printf("%s %s (%s)\n", add ? "registered" : "unregistered", LUMORA_PROGID,
              component.path().c_str());
  return ExitStatus::kDone;
}

}  // namespace

void AddRegisterOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("LIBRARY", invocation.library,
                 "The component's file (default: the one of this installation)");
  sub.footer("The registry is a per-user file; other entries in it are kept.");
}

ExitStatus RunRegister(const Invocation& invocation) {
  return CallRegistration(invocation, true);
}

ExitStatus RunUnregister(const Invocation& invocation) {
  return CallRegistration(invocation, false);
}

}  // namespace lumora::cli
