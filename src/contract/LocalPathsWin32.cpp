// The Windows side of LocalPaths.h: folders end at a backslash or a slash, a drive's root keeps
// its separator, and the home folder is the user's profile folder as the system reports it.
#include <shlobj.h>
#include <windows.h>

#include "contract/LocalPaths.h"
#include "contract/WideText.h"

namespace lumora {
namespace {

bool IsAbsolute(const std::string& folder) {
  const bool drive =
      folder.size() >= 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
  const bool share = folder.size() >= 2 && (folder[0] == '\\' || folder[0] == '/') &&
                     (folder[1] == '\\' || folder[1] == '/');
  return drive || share;
}

std::string FromEnvironment() {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = ::GetEnvironmentVariableW(L"USERPROFILE", buffer, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return {};
  std::string folder = Narrow(std::wstring(buffer, n));
  return IsAbsolute(folder) ? folder : std::string();
}

std::string FromUserDatabase() {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &path))) {
    folder = Narrow(path);
  }
  ::CoTaskMemFree(path);
  return IsAbsolute(folder) ? folder : std::string();
}

}  // namespace

std::string FolderOf(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string_view::npos) {
    return path.size() >= 2 && path[1] == ':' ? std::string(path.substr(0, 2)) : ".";
  }
  const bool root = slash == 0 || (slash == 2 && path[1] == ':');
  return std::string(path.substr(0, root ? slash + 1 : slash));
}

std::string NameOf(std::string_view path) {
  size_t start = path.find_last_of("\\/");
  if (start == std::string_view::npos)
    start = path.size() >= 2 && path[1] == ':' ? 1 : std::string_view::npos;
  return std::string(start == std::string_view::npos ? path : path.substr(start + 1));
}

std::string HomeFolder(HomeLookup order) {
  const bool environmentFirst = order == HomeLookup::kEnvironmentFirst;
  std::string home = environmentFirst ? FromEnvironment() : FromUserDatabase();
  if (home.empty()) home = environmentFirst ? FromUserDatabase() : FromEnvironment();
  return home;
}

}  // namespace lumora
