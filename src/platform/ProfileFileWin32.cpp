// ProfileFile.h on Windows: the system's own profile functions (the wide ones, so that names and
// values of any language come through), with UTF-8 at our side. Results are measured in UTF-8
// bytes as on POSIX; for ASCII text they are the system's own counts. A relative file name is
// taken from the working folder, as on POSIX (the system would look in the Windows folder).
#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "contract/WideText.h"
#include "platform/ProfileFile.h"

namespace lumora {
namespace {

constexpr wchar_t kUntouched = 0xFFFF;  // never written by the functions (a noncharacter)

std::wstring FullPath(const std::string& file) {
  const std::wstring name = Widen(file);
  if (name.empty()) return name;
  const DWORD n = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (n == 0) return name;
  std::wstring full(n, L'\0');
  const DWORD written = ::GetFullPathNameW(name.c_str(), n, full.data(), nullptr);
  full.resize(written);
  return full;
}

std::optional<std::wstring> Wide(const char* text) {
  if (text == nullptr) return std::nullopt;
  return Widen(text);
}

const wchar_t* Pointer(const std::optional<std::wstring>& text) {
  return text ? text->c_str() : nullptr;
}

// The result of a call that filled `buffer`: what was written (up to the last character the call
// touched), the return converted to a UTF-8 length, and the last error.
ProfileResult Collect(const std::vector<wchar_t>& buffer, DWORD returned, DWORD lastError) {
  ProfileResult r;
  r.lastError = lastError;
  size_t written = buffer.size();
  while (written > 0 && buffer[written - 1] == kUntouched) --written;
  r.buffer = Narrow(std::wstring_view(buffer.data(), written));
  r.returned = static_cast<uint32_t>(
      Narrow(std::wstring_view(buffer.data(), std::min<size_t>(returned, written))).size());
  return r;
}

}  // namespace

std::string ProfileFileSystemPath(const std::string& file) {
  return file;
}

ProfileResult GetPrivateProfileStringA(const char* app, const char* key, const char* def,
                                       uint32_t size, const std::string& file) {
  std::vector<wchar_t> buffer(std::max<uint32_t>(size, 1), kUntouched);
  const auto wideApp = Wide(app), wideKey = Wide(key), wideDefault = Wide(def);
  ::SetLastError(ERROR_SUCCESS);
  const DWORD n =
      ::GetPrivateProfileStringW(Pointer(wideApp), Pointer(wideKey), Pointer(wideDefault),
                                 buffer.data(), size, FullPath(file).c_str());
  const DWORD error = ::GetLastError();
  buffer.resize(size);
  return Collect(buffer, n, error);
}

ProfileResult GetPrivateProfileSectionA(const char* app, uint32_t size, const std::string& file) {
  std::vector<wchar_t> buffer(std::max<uint32_t>(size, 1), kUntouched);
  const auto wideApp = Wide(app);
  ::SetLastError(ERROR_SUCCESS);
  const DWORD n =
      ::GetPrivateProfileSectionW(Pointer(wideApp), buffer.data(), size, FullPath(file).c_str());
  const DWORD error = ::GetLastError();
  buffer.resize(size);
  return Collect(buffer, n, error);
}

}  // namespace lumora
