// The POSIX side of ComponentRegistry.h: where the registry lies, and the trust checks of it and
// of the libraries it names (owner and write permissions, every folder from the root down).
#include "hostlib/ComponentRegistry.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"

namespace lumora {
namespace {

std::string Quoted(const std::string& path) {
  return EscapeForMessage(path);
}

// "" when the file or folder described by `st` belongs to this user or root and no one else may
// write it; else why it is not trusted. In a sticky folder others may add entries but neither
// remove nor replace another's.
std::string WhyNotTrustedStat(const struct stat& st) {
  if (st.st_uid != ::geteuid() && st.st_uid != 0) {
    return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  }
  if (S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) return {};
  if ((st.st_mode & S_IWOTH) != 0) return "anyone may write it";
  if ((st.st_mode & S_IWGRP) != 0) return "its group may write it";
  return {};
}

}  // namespace

std::string ComponentRegistryFile() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/lumora/components.json";
  const std::string folder = HomeFolder();
  if (folder.empty()) {
    throw HostError::BadInput(
        "cannot find the component registry: no absolute XDG_DATA_HOME or HOME, and no home "
        "folder in the user database");
  }
  return folder + "/.local/share/lumora/components.json";
}

std::string WhyNotTrusted(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  return WhyNotTrustedStat(st);
}

bool ComponentRegistryExists(const std::string& file, std::string& problem) {
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) return true;
  if (errno != ENOENT) problem = std::strerror(errno);
  return false;
}

bool IsAbsoluteLibraryPath(const std::string& path) {
  return !path.empty() && path[0] == '/';
}

CheckedLibrary::~CheckedLibrary() {
  if (fd_ >= 0) ::close(fd_);
}

CheckedLibrary::CheckedLibrary(CheckedLibrary&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

CheckedLibrary& CheckedLibrary::operator=(CheckedLibrary&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

std::string CheckedLibrary::LoadName() const {
  return fd_ >= 0 ? "/proc/self/fd/" + std::to_string(fd_) : path_;
}

namespace {

// A descriptor closed at the end of the scope.
struct ScopedFd {
  int fd = -1;
  ~ScopedFd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

CheckedLibrary OpenCheckedLibrary(const std::string& path, const std::string& named) {
  auto refuse = [&](const std::string& why) -> CheckedLibrary {
    throw HostError::BadInput(named + " is not trusted: " + why + "; nothing was loaded");
  };
  const size_t slash = path.rfind('/');
  const std::string name = path.substr(slash + 1);
  const std::string given = FolderOf(path);
  char resolved[PATH_MAX];
  if (name.empty() || ::realpath(given.c_str(), resolved) == nullptr) {
    return refuse(name.empty() ? "it names a folder" : std::string(std::strerror(errno)));
  }
  // Each folder from the root down is opened below the one checked before it, never through a
  // link, so the folders checked are the ones the library is opened in.
  ScopedFd folder{::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)};
  std::string walked;
  const std::string folders = resolved;
  for (size_t at = 0;;) {
    struct stat st {};
    if (folder.fd < 0 || ::fstat(folder.fd, &st) != 0) {
      return refuse("its folder " + Quoted(walked.empty() ? "/" : walked) +
                    " cannot be opened: " + std::strerror(errno));
    }
    if (const std::string why = WhyNotTrustedStat(st); !why.empty()) {
      return refuse("its folder " + Quoted(walked.empty() ? "/" : walked) + " is not safe: " + why);
    }
    while (at < folders.size() && folders[at] == '/') ++at;
    if (at >= folders.size()) break;
    const size_t end = std::min(folders.find('/', at), folders.size());
    const std::string part = folders.substr(at, end - at);
    walked += "/" + part;
    at = end;
    ScopedFd next{::openat(folder.fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    std::swap(folder.fd, next.fd);
  }
  ScopedFd file{::openat(folder.fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
  struct stat st {};
  if (file.fd < 0) {
    return refuse(errno == ELOOP ? "it is a symbolic link" : std::string(std::strerror(errno)));
  }
  if (::fstat(file.fd, &st) != 0) return refuse(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return refuse("it is not a regular file");
  if (const std::string why = WhyNotTrustedStat(st); !why.empty()) return refuse(why);
  return CheckedLibrary(path, std::exchange(file.fd, -1));
}

}  // namespace lumora
