#include "host/InstallTree.h"

#include <cstdlib>
#include <filesystem>

namespace lumora::layout {
namespace {

namespace fs = std::filesystem;

#ifndef LUMORA_LIBRARY_FROM_PROGRAM
#define LUMORA_LIBRARY_FROM_PROGRAM "../lib/lumora"
#endif

}  // namespace

std::vector<std::string> ComponentCandidates(const std::string& programFolder,
                                             const std::string& fileName) {
  const fs::path installed =
      (fs::path(programFolder) / LUMORA_LIBRARY_FROM_PROGRAM / fileName).lexically_normal();
  return {programFolder + "/" + fileName, installed.string()};
}

std::vector<std::string> SystemRegistryFiles() {
  const char* given = std::getenv("XDG_DATA_DIRS");
  const std::string dirs =
      given != nullptr && given[0] != '\0' ? given : "/usr/local/share:/usr/share";
  std::vector<std::string> files;
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t colon = std::min(dirs.find(':', start), dirs.size());
    std::string dir = dirs.substr(start, colon - start);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (!dir.empty() && dir.front() == '/') files.push_back(dir + "/lumora/components.json");
    start = colon + 1;
  }
  return files;
}

}  // namespace lumora::layout
