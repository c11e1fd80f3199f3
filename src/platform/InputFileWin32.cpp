// InputFile.h on Windows: the file is opened with CreateFileW (UTF-16 path) and its kind asked of
// the handle, so a folder, a device or a pipe is refused by name as on POSIX.
#include <windows.h>

#include <cstdio>

#include "contract/WideText.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& what,
                         const std::string& reason) {
  throw HostError::BadInput(path + ": " + what + ": " + reason);
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

std::optional<std::string> ReadInputFileIfPresent(const std::string& path, const std::string& what,
                                                  Pipes pipes) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    Refuse(path, what, "is a directory");
  }
  Handle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (IsMissing(error)) return std::nullopt;
    Refuse(path, what, SystemErrorText(error));
  }
  const DWORD type = ::GetFileType(file.get());
  if (type == FILE_TYPE_CHAR) Refuse(path, what, "is a device, not a file");
  if (type == FILE_TYPE_PIPE && pipes == Pipes::Refused)
    Refuse(path, what, "is a pipe, not a file");
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE) Refuse(path, what, "is not a regular file");
  const std::string tooLarge =
      "larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB, not read";
  LARGE_INTEGER size{};
  if (type == FILE_TYPE_DISK && ::GetFileSizeEx(file.get(), &size)) {
    if (static_cast<uint64_t>(size.QuadPart) > kMaxInputFileBytes) Refuse(path, what, tooLarge);
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_BROKEN_PIPE) break;  // the writer closed its end
      Refuse(path, what, SystemErrorText(error));
    }
    if (n == 0) break;
    bytes.append(buffer, n);
    if (bytes.size() > kMaxInputFileBytes) Refuse(path, what, tooLarge);
  }
  return bytes;
}

std::string ReadInputFile(const std::string& path, const std::string& what, Pipes pipes) {
  std::optional<std::string> bytes = ReadInputFileIfPresent(path, what, pipes);
  if (!bytes) Refuse(path, what, "No such file or directory");
  return std::move(*bytes);
}

void CheckStandardInput(const std::string&, const std::string&) {
  // A console, a file or a pipe: each reads as a stream of text.
}

}  // namespace lumora
