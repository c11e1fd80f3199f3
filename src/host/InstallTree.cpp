#include "host/InstallTree.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "contract/LocalPaths.h"

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

std::string ProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return ".";
  path.resize(static_cast<size_t>(n));
  return FolderOf(path);
}

std::string OwnTreeLibrary(const std::string& fileName) {
  const std::vector<std::string> candidates = ComponentCandidates(ProgramFolder(), fileName);
  for (const std::string& path : candidates) {
    if (::access(path.c_str(), R_OK) == 0) return path;
  }
  return candidates.front();
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
