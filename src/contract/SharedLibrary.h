// Opening a library of ours at run time: the component from the host, a renderer or the
// installer formats from the component or the host. One interface for the platform's loader
// (dlopen on POSIX in SharedLibrary.cpp, LoadLibraryW on Windows in SharedLibraryWin32.cpp).
// A library once opened stays loaded for the rest of the process.
#pragma once

#include <string>

namespace lumora {

struct LoadedLibrary {
  void* handle = nullptr;  // null when it could not be loaded
  std::string error;       // the loader's reason when it could not
};

// Loads the library at `path` (UTF-8), resolving all its symbols now and keeping them its own.
LoadedLibrary LoadSharedLibrary(const std::string& path);
// The address of the exported `name`, or null.
void* LibrarySymbol(void* handle, const char* name);
// The file of the library (or program) that holds `address`, its links resolved; "" when unknown.
std::string LibraryPathOf(const void* address);
// The file of the running program; "" when unknown.
std::string ProgramPath();
// Whether `path` is a file this process may run.
bool IsProgramFile(const std::string& path);
// What a program's file name ends in: "" on POSIX, ".exe" on Windows.
extern const char* const kProgramSuffix;

}  // namespace lumora
