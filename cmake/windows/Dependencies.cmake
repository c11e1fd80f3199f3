# The header-only libraries of the Windows build. Debian ships them for the build machine only,
# and its /usr/include cannot be put on a mingw include path (its C library headers would be taken
# for Windows ones), so each library's own folder is linked into a folder of the build's, which
# is what the targets below put on the include path. ICU serves only its UTF-8 macros there; the
# upper-case table it gives is written at configure time by a tool built for the build machine.
set(lumora_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${lumora_host_headers})
foreach(dir nlohmann CLI unicode)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} not found: install nlohmann-json3-dev, libcli11-dev "
                        "and libicu-dev (./setup) for the Windows build's headers")
  endif()
  file(CREATE_LINK /usr/include/${dir} ${lumora_host_headers}/${dir} SYMBOLIC)
endforeach()
add_library(lumora_host_headers INTERFACE)
target_include_directories(lumora_host_headers SYSTEM INTERFACE ${lumora_host_headers})
add_library(nlohmann_json::nlohmann_json ALIAS lumora_host_headers)
add_library(CLI11::CLI11 ALIAS lumora_host_headers)
add_library(PkgConfig::ICU ALIAS lumora_host_headers)

# GoogleTest from its Debian sources, built with the cross compiler.
if(LUMORA_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
