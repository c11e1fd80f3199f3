// The settings of the command-line host that the host library needs: where the component's
// files lie, which registry source to read, and the host configuration file.
#pragma once

#include <string>

namespace lumora {

struct HostSettings {
  std::string componentDir;           // where lumora.ini and lumora.chm lie
  std::string registry = "unixodbc";  // "unixodbc", "none", or the path of a .reg file
  std::string hostConfig;             // INI file with [SystemFolders] and [Drives]; "" for defaults
};

}  // namespace lumora
