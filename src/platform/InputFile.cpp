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

std::optional<std::string> ReadInputFileIfPresent(const std::string& path, const std::string& what,
                                                  Pipes pipes) {
  const auto readable = [pipes](mode_t mode) {
    return S_ISREG(mode) || (pipes == Pipes::Read && S_ISFIFO(mode));
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::nullopt;
    Refuse(path, what, std::strerror(errno));
  }
  if (!readable(st.st_mode)) Refuse(path, what, KindOf(st.st_mode));
  if (static_cast<uint64_t>(st.st_size) > kMaxInputFileBytes) {
    Refuse(path, what,
           "larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB, not read");
  }
  // A file is opened without blocking, so that one swapped for a pipe after the check cannot
  // hang; a pipe asked for waits for its writer.
  const int flags = O_RDONLY | O_CLOEXEC | (S_ISFIFO(st.st_mode) ? 0 : O_NONBLOCK);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) Refuse(path, what, std::strerror(errno));
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !readable(opened.st_mode)) {
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

std::string ReadInputFile(const std::string& path, const std::string& what, Pipes pipes) {
  std::optional<std::string> bytes = ReadInputFileIfPresent(path, what, pipes);
  if (!bytes) Refuse(path, what, std::strerror(ENOENT));
  return std::move(*bytes);
}

void CheckStandardInput(const std::string& name, const std::string& what) {
  struct stat st {};
  if (::fstat(STDIN_FILENO, &st) == 0 && S_ISDIR(st.st_mode))
    Refuse(name, what, KindOf(st.st_mode));
}

}  // namespace lumora
