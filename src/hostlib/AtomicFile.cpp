#include "hostlib/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"

namespace lumora {
namespace {

// A descriptor closed at the end of the scope.
struct Fd {
  int fd = -1;
  explicit Fd(int given) : fd(given) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

[[noreturn]] void Fail(const std::string& path, const std::string& why) {
  throw HostError::NotDone(EscapeForMessage(path) + ": " + why);
}

std::string Errno(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  const size_t slash = path.rfind('/');
  const std::string folder = FolderOf(path);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

  Fd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.fd < 0) Fail(path, Errno("cannot open its folder"));
  // Two writers of one file would each replace the other's text; a few seconds of waiting for
  // the other is enough for a file this small.
  int tries = 0;
  while (::flock(folderFd.fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || ++tries > 100)
      Fail(path, Errno("cannot lock its folder"));
    ::usleep(50 * 1000);
  }

  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;

  // ".NAME.lumora-new-XXXXXX", NAME cut so that the whole fits any file system's limit.
  const std::string suffix = ".lumora-new-XXXXXX";
  if (name.size() + 1 + suffix.size() > NAME_MAX) name.resize(NAME_MAX - 1 - suffix.size());
  std::string temp = (folder == "/" ? "" : folder) + "/." + name + suffix;
  Fd fresh(::mkostemp(temp.data(), O_CLOEXEC));
  if (fresh.fd < 0) Fail(path, Errno("cannot write beside it"));
  std::string why;
  size_t written = 0;
  while (why.empty() && written < text.size()) {
    const ssize_t n = ::write(fresh.fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      why = Errno("cannot write it");
    else
      written += static_cast<size_t>(n);
  }
  if (why.empty() && ::fchmod(fresh.fd, mode) != 0) why = Errno("cannot set its mode");
  if (why.empty() && ::fsync(fresh.fd) != 0) why = Errno("cannot write it");
  if (why.empty() && ::rename(temp.c_str(), path.c_str()) != 0) why = Errno("cannot replace it");
  if (!why.empty()) {
    ::unlink(temp.c_str());
    Fail(path, why);
  }
  ::fsync(folderFd.fd);
}

}  // namespace lumora
