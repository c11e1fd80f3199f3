# Cross-compiling Lumora for 32-bit Windows with mingw-w64's POSIX-thread compilers (std::thread,
# std::mutex), as the component is a 32-bit one. The programs, the component and the test suites
# link their C and C++ runtimes statically, so nothing but the system's DLLs need lie beside them;
# tests run under Wine (cmake/windows/wine-run.in, the cross-compiling emulator).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LUMORA_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${LUMORA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMORA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMORA_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMORA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
