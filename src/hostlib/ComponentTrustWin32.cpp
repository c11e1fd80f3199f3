// The Windows side of ComponentRegistry.h: the registry lies in the user's roaming application
// data (or under an absolute XDG_DATA_HOME, as on POSIX); a library is opened with CreateFileW
// so that no one may write, rename or delete it while the handle is held, which makes the file
// loaded the file checked. The POSIX owner and permission checks have no counterpart here: a
// file's access list is the system's business, and a library in a folder the user may write
// is what a per-user install is.
#include <io.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdlib>
#include <utility>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/WideText.h"
#include "hostlib/ComponentRegistry.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

bool IsWindowsAbsolute(const std::string& path) {
  const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool share = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
                     (path[1] == '\\' || path[1] == '/');
  return drive || share;
}

std::string RoamingAppData() {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path))) {
    folder = Narrow(path);
  }
  ::CoTaskMemFree(path);
  return folder;
}

}  // namespace

std::string ComponentRegistryFile() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && IsWindowsAbsolute(xdg))
    return std::string(xdg) + "\\lumora\\components.json";
  const std::string folder = RoamingAppData();
  if (folder.empty()) {
    throw HostError::BadInput(
        "cannot find the component registry: the system names no application-data folder");
  }
  return folder + "\\lumora\\components.json";
}

bool IsAbsoluteLibraryPath(const std::string& path) {
  return IsWindowsAbsolute(path);
}

std::string WhyNotTrusted(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SystemErrorText(::GetLastError());
  return {};
}

CheckedLibrary::~CheckedLibrary() {
  if (fd_ >= 0) ::_close(fd_);
}

CheckedLibrary::CheckedLibrary(CheckedLibrary&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

CheckedLibrary& CheckedLibrary::operator=(CheckedLibrary&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::_close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

std::string CheckedLibrary::LoadName() const {
  return path_;  // the open handle keeps the file there, unchanged, until it is loaded
}

CheckedLibrary OpenCheckedLibrary(const std::string& path, const std::string& named) {
  auto refuse = [&](const std::string& why) -> CheckedLibrary {
    throw HostError::BadInput(named + " is not trusted: " + why + "; nothing was loaded");
  };
  HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return refuse(SystemErrorText(::GetLastError()));
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info);
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), 0);
  CheckedLibrary library(path, fd);
  if (!known) return refuse(SystemErrorText(::GetLastError()));
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return refuse("it is a symbolic link");
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return refuse("it names a folder");
  return library;
}

std::optional<std::string> ReadTrustedRegistryText(const std::string& file) {
  if (::GetFileAttributesW(Widen(file).c_str()) == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    throw HostError::BadInput("the component registry " + EscapeForMessage(file) +
                              " cannot be checked: " + SystemErrorText(error) +
                              "; nothing was loaded from it");
  }
  return ReadInputFile(file, "component registry");
}

}  // namespace lumora
