#include <windows.h>

#include "contract/SharedLibrary.h"
#include "contract/WideText.h"

namespace lumora {

LoadedLibrary LoadSharedLibrary(const std::string& path) {
  LoadedLibrary library;
  // The library's own folder is searched for the libraries it needs, not the program's.
  library.handle = reinterpret_cast<void*>(
      ::LoadLibraryExW(Widen(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (library.handle == nullptr) library.error = path + ": " + SystemErrorText(::GetLastError());
  return library;
}

void* LibrarySymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}

std::string LibraryPathOf(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return {};
  }
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH * 4);
  return n == 0 || n >= MAX_PATH * 4 ? std::string() : Narrow(std::wstring_view(path, n));
}

const char* const kProgramSuffix = ".exe";

bool IsProgramFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ProgramPath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return n == 0 || n >= MAX_PATH * 4 ? std::string() : Narrow(std::wstring_view(path, n));
}

}  // namespace lumora
