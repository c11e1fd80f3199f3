// The settings of the command-line host that the host library needs: where the component's
// files lie, which registry source to read, and the host configuration file.
#pragma once

#include <string>

namespace lumora {

// The registry source when none is named: "unixodbc" (this machine's unixODBC files) on POSIX,
// "live" (the system's registry) on Windows.
const char* DefaultRegistrySource();

struct HostSettings {
  std::string componentDir;  // where lumora.ini and lumora.chm lie
  // "unixodbc", "live" (Windows), "none", "wine" (the default Wine prefix), a Wine prefix
  // folder, or the path of a .reg export.
  std::string registry = DefaultRegistrySource();
  int registryView = 32;   // 32: what a 32-bit program sees on a 64-bit machine; 64: native
  std::string hostConfig;  // INI file with [SystemFolders] and [Drives]; "" for defaults
};

}  // namespace lumora
