// The POSIX side of ComponentRegistry.h: where the registry lies, and the trust checks of it and
// of the libraries it names (owner and write permissions, every folder from the root down, on
// the descriptors that are then read or loaded).
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

// A descriptor closed at the end of the scope.
struct ScopedFd {
  int fd = -1;
  ~ScopedFd() {
    if (fd >= 0) ::close(fd);
  }
};

// Opens the regular file at `path` and checks it and every folder above it as WhyNotTrustedStat
// does, on the descriptors it opens: each folder from the root down below the one checked before
// it, never through a link, and the file itself without following a link at its last step. So
// the file checked is the file read or loaded, whatever happens to its path meanwhile. Returns
// the descriptor, or -1 with `why` set; with `missing` set and -1 returned, the file or a folder
// above it does not exist.
int OpenTrusted(const std::string& path, std::string& why, bool* missing = nullptr) {
  const size_t slash = path.rfind('/');
  const std::string name = path.substr(slash + 1);
  const std::string given = FolderOf(path);
  char resolved[PATH_MAX];
  if (name.empty()) {
    why = "it names a folder";
    return -1;
  }
  if (::realpath(given.c_str(), resolved) == nullptr) {
    if (missing != nullptr) *missing = errno == ENOENT;
    why = std::strerror(errno);
    return -1;
  }
  ScopedFd folder{::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)};
  std::string walked;
  const std::string folders = resolved;
  for (size_t at = 0;;) {
    struct stat st {};
    if (folder.fd < 0 || ::fstat(folder.fd, &st) != 0) {
      why = "its folder " + Quoted(walked.empty() ? "/" : walked) +
            " cannot be opened: " + std::strerror(errno);
      return -1;
    }
    if (const std::string unsafe = WhyNotTrustedStat(st); !unsafe.empty()) {
      why = "its folder " + Quoted(walked.empty() ? "/" : walked) + " is not safe: " + unsafe;
      return -1;
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
    if (missing != nullptr) *missing = errno == ENOENT;
    why = errno == ELOOP ? "it is a symbolic link" : std::string(std::strerror(errno));
    return -1;
  }
  if (::fstat(file.fd, &st) != 0) {
    why = std::strerror(errno);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "it is not a regular file";
    return -1;
  }
  why = WhyNotTrustedStat(st);
  return why.empty() ? std::exchange(file.fd, -1) : -1;
}

// The registry is a few hundred bytes; this bounds what a registry swapped for something else
// could make the reader hold.
constexpr size_t kMaxRegistryBytes = 1u << 20;

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

std::optional<std::string> ReadTrustedRegistryText(const std::string& file) {
  // Opened once: its trust is checked on that descriptor and its text read from it.
  std::string why;
  bool missing = false;
  ScopedFd fd{OpenTrusted(file, why, &missing)};
  if (fd.fd < 0) {
    if (missing) return std::nullopt;
    throw HostError::BadInput("the component registry " + Quoted(file) + " is not trusted: " + why +
                              "; nothing was loaded from it");
  }
  std::string text;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      throw HostError::BadInput("the component registry " + Quoted(file) +
                                " cannot be read: " + std::strerror(errno));
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
    if (text.size() > kMaxRegistryBytes) {
      throw HostError::BadInput("the component registry " + Quoted(file) + " is larger than " +
                                std::to_string(kMaxRegistryBytes >> 20) + " MiB, not read");
    }
  }
  return text;
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

CheckedLibrary OpenCheckedLibrary(const std::string& path, const std::string& named) {
  std::string why;
  const int fd = OpenTrusted(path, why);
  if (fd < 0) throw HostError::BadInput(named + " is not trusted: " + why + "; nothing was loaded");
  return CheckedLibrary(path, fd);
}

bool IsAbsoluteLibraryPath(const std::string& path) {
  return !path.empty() && path[0] == '/';
}

}  // namespace lumora
