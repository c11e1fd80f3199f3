#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace lumora {
namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& what,
                         const std::string& reason) {
  throw HostError::BadInput(path + ": " + what + ": " + reason);
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "is a directory";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a file";
  if (S_ISFIFO(mode)) return "is a pipe, not a file";
  if (S_ISSOCK(mode)) return "is a socket, not a file";
  return "is not a regular file";
}

}  // namespace

std::optional<std::string> ReadInputFileIfPresent(const std::string& path,
                                                  const std::string& what) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::nullopt;
    Refuse(path, what, std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) Refuse(path, what, KindOf(st.st_mode));
  if (static_cast<uint64_t>(st.st_size) > kMaxInputFileBytes) {
    Refuse(path, what,
           "larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB, not read");
  }
  // Opened without blocking, so that a file swapped for a pipe after the check cannot hang.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) Refuse(path, what, std::strerror(errno));
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    ::close(fd);
    Refuse(path, what, KindOf(opened.st_mode));
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(opened.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      Refuse(path, what, std::strerror(error));
    }
    bytes.append(buffer, static_cast<size_t>(n));
    if (bytes.size() > kMaxInputFileBytes) {
      ::close(fd);
      Refuse(path, what, "larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB");
    }
  }
  ::close(fd);
  return bytes;
}

std::string ReadInputFile(const std::string& path, const std::string& what) {
  std::optional<std::string> bytes = ReadInputFileIfPresent(path, what);
  if (!bytes) Refuse(path, what, std::strerror(ENOENT));
  return std::move(*bytes);
}

}  // namespace lumora
