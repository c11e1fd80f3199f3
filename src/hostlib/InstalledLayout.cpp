#include "hostlib/InstalledLayout.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace lumora::layout {
namespace {

namespace fs = std::filesystem;

#ifndef LUMORA_LIBRARY_FROM_PROGRAM
#define LUMORA_LIBRARY_FROM_PROGRAM "../lib/lumora"
#endif
#ifndef LUMORA_DATA_FROM_LIBRARY
#define LUMORA_DATA_FROM_LIBRARY "../../share/lumora"
#endif

constexpr const char* kCatalogue = "lumora.ini";

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

}  // namespace

std::string Absolute(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  fs::path made = fs::absolute(path, error);
  if (error) return path;
  std::string text = made.lexically_normal().string();
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::vector<std::string> ComponentCandidates(const std::string& programFolder,
                                             const std::string& fileName) {
  const fs::path installed =
      (fs::path(programFolder) / LUMORA_LIBRARY_FROM_PROGRAM / fileName).lexically_normal();
  return {programFolder + "/" + fileName, installed.string()};
}

std::string DataFolderFor(const std::string& libraryFolder) {
  if (Exists(fs::path(libraryFolder) / kCatalogue)) return libraryFolder;
  const fs::path installed =
      (fs::path(libraryFolder) / LUMORA_DATA_FROM_LIBRARY).lexically_normal();
  std::error_code error;
  if (fs::is_directory(installed, error)) return installed.string();
  return libraryFolder;
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
