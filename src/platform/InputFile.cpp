#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumora {
namespace {

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

std::string ReadInputFile(const std::string& path, const std::string& what) {
  auto fail = [&](const std::string& reason) -> InputFileError {
    return InputFileError(path + ": cannot read the " + what + ": " + reason);
  };
  // O_NONBLOCK: opening a pipe with no writer must not hang before it is refused.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw fail(std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    throw fail(std::strerror(error));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw fail("it is " + KindOf(st.st_mode) + ", not a file");
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxInputFileBytes) {
    ::close(fd);
    throw fail("it is larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB");
  }
  std::string text;
  text.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw fail(std::strerror(error));
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
    if (text.size() > kMaxInputFileBytes) {
      ::close(fd);
      throw fail("it is larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB");
    }
  }
  ::close(fd);
  return text;
}

}  // namespace lumora
