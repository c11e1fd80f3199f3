#include "hostlib/DataFolder.h"

#include <filesystem>
#include <system_error>

namespace lumora::layout {
namespace {

namespace fs = std::filesystem;

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

std::string DataFolderFor(const std::string& libraryFolder) {
  if (Exists(fs::path(libraryFolder) / kCatalogue)) return libraryFolder;
  const fs::path installed =
      (fs::path(libraryFolder) / LUMORA_DATA_FROM_LIBRARY).lexically_normal();
  std::error_code error;
  if (fs::is_directory(installed, error)) return installed.string();
  return libraryFolder;
}

}  // namespace lumora::layout
