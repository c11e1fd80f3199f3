#include "host/InstallTree.h"

#include <cstdlib>
#include <filesystem>

#include "contract/LocalPaths.h"
#include "contract/SharedLibrary.h"

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
  const std::string path = ProgramPath();
  return path.empty() ? "." : FolderOf(path);
}

std::string OwnTreeLibrary(const std::string& fileName) {
  const std::vector<std::string> candidates = ComponentCandidates(ProgramFolder(), fileName);
  for (const std::string& path : candidates) {
    std::error_code error;
    if (fs::is_regular_file(fs::path(std::u8string(path.begin(), path.end())), error)) return path;
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
