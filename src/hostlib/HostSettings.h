// The settings of the command-line host that the host library needs: where the component's
// files lie, which registry source to read, and the host configuration file.
#pragma once

#include <string>

namespace lumora {

struct HostSettings {
  std::string componentDir;  // where lumora.ini and lumora.chm lie
  // "unixodbc", "none", "wine" (the default Wine prefix), a Wine prefix folder, or the path of
  // a .reg export.
  std::string registry = "unixodbc";
  int registryView = 32;   // 32: what a 32-bit program sees on a 64-bit machine; 64: native
  std::string hostConfig;  // INI file with [SystemFolders] and [Drives]; "" for defaults
};

}  // namespace lumora
