# Helpers that give every target of ours the same warnings, sanitizers and layout.
# A library is one source folder (its *.cpp, not recursive); a test suite is one test folder.
#
# The layers are drawn by the include path: a library sees its own headers and those of the
# libraries it links, and nothing else. Each library gets a folder of its own under
# ${CMAKE_BINARY_DIR}/layers holding links to its headers at their usual place
# ("ui/frmWizard.h"), so an include of a layer the library does not depend on fails to build.

function(lumora_apply_options target)
  # Warnings are errors in the presets (CMAKE_COMPILE_WARNING_AS_ERROR), never forced on a
  # packager's build.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wno-missing-field-initializers)
  if(LUMORA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# The product's own code (not the tests) is also checked for implicit narrowing conversions, where
# the 16-bit counters and the twips arithmetic live; the presets switch it on.
option(LUMORA_WCONVERSION "Warn about implicit conversions that may change a value (-Wconversion)"
       OFF)
function(lumora_product_options target)
  lumora_apply_options(${target})
  if(LUMORA_WCONVERSION)
    target_compile_options(${target} PRIVATE -Wconversion)
  endif()
endfunction()

# lumora_layer_root(TARGET DIR ROOT SCOPE) lays links to DIR's headers under the target's layer
# folder, at DIR's path relative to ROOT, and adds that folder to the target's include path.
function(lumora_layer_root target dir root scope)
  set(layer ${CMAKE_BINARY_DIR}/layers/${target})
  file(RELATIVE_PATH rel ${root} ${dir})
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.h)
  file(REMOVE_RECURSE ${layer}/${rel})
  file(MAKE_DIRECTORY ${layer}/${rel})
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    file(CREATE_LINK ${header} ${layer}/${rel}/${name} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${layer})
endfunction()

# lumora_sources(VAR DIR) sets VAR to the *.cpp of DIR that this platform builds. A platform
# service keeps one implementation per platform side by side: NamePosix.cpp and NameWin32.cpp, or
# Name.cpp (POSIX, and anything shared) with NameWin32.cpp beside it, which the Windows build
# compiles instead.
function(lumora_sources var dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(chosen "")
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    if(name MATCHES "Win32$")
      if(WIN32)
        list(APPEND chosen ${source})
      endif()
    elseif(name MATCHES "Posix$")
      if(NOT WIN32)
        list(APPEND chosen ${source})
      endif()
    elseif(NOT (WIN32 AND EXISTS ${dir}/${name}Win32.cpp))
      list(APPEND chosen ${source})
    endif()
  endforeach()
  set(${var} ${chosen} PARENT_SCOPE)
endfunction()

# lumora_library(NAME DIR [DEPS ...]) builds the *.cpp of DIR (a folder under src/) into a static
# library whose users see DIR's headers.
function(lumora_library name dir)
  lumora_sources(sources ${dir})
  if(NOT sources)  # a folder of headers only
    add_library(${name} INTERFACE)
    lumora_layer_root(${name} ${dir} ${PROJECT_SOURCE_DIR}/src INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  lumora_layer_root(${name} ${dir} ${PROJECT_SOURCE_DIR}/src PUBLIC)
  target_link_libraries(${name} PUBLIC ${ARGN})
  lumora_product_options(${name})
endfunction()

# lumora_test_suite(NAME DIR [DEPS ...]) builds the *.cpp of DIR into one GoogleTest binary.
function(lumora_test_suite name dir)
  lumora_sources(sources ${dir})
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  lumora_apply_options(${name})
  gtest_discover_tests(${name} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                       PROPERTIES ENVIRONMENT "LUMORA_BIN_DIR=${LUMORA_RUNTIME_DIR};XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-xdg-data"
                       DISCOVERY_TIMEOUT 60)
endfunction()

# lumora_module(NAME DIR [DEPS ...]) builds the *.cpp of DIR into lib${NAME}.so, a library that a
# program or the component of ours opens with dlopen only when it needs what the library links
# (a renderer, the installer formats). It exports only what DIR/${NAME}.map names; every symbol is
# resolved inside it, except under sanitizers, whose runtime the program brings. The caller makes
# the target that opens it depend on it.
function(lumora_module name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${name} MODULE ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN})
  lumora_layer_root(${name} ${dir} ${PROJECT_SOURCE_DIR}/src PRIVATE)
  set(map ${dir}/${name}.map)
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
                                           LINK_DEPENDS ${map})
  target_link_options(${name} PRIVATE -Wl,--version-script=${map} -Wl,--exclude-libs,ALL)
  if(NOT LUMORA_SANITIZE AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
  lumora_product_options(${name})
endfunction()

# A table compiled into TARGET, written at build time by TOOL (built from SOURCE and linked with
# the libraries that follow) as OUTPUT under the current binary folder's generated/, so that
# TARGET need not link what the tool reads the table from.
function(lumora_generated_table target tool source output comment)
  add_executable(${tool} ${source})
  target_link_libraries(${tool} PRIVATE ${ARGN})
  lumora_apply_options(${tool})
  set(file ${CMAKE_CURRENT_BINARY_DIR}/generated/${output})
  add_custom_command(
    OUTPUT ${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
    COMMAND ${tool} ${file}
    DEPENDS ${tool}
    COMMENT "${comment}")
  target_sources(${target} PRIVATE ${file})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
endfunction()

# A tool or library the build can do without is missing: a warning, or under CI=true (where
# ./setup has installed everything) an error, so that no check is silently left out.
function(lumora_missing what)
  if("$ENV{CI}" STREQUAL "true")
    message(FATAL_ERROR "${what} (CI=true: ./setup installs it)")
  else()
    message(WARNING "${what}")
  endif()
endfunction()
