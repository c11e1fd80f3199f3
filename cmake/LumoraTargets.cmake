# Helpers that give every target of ours the same warnings, sanitizers and layout.
# A library is one source folder (its *.cpp, not recursive); a test suite is one test folder.

function(lumora_apply_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wno-missing-field-initializers -Werror)
  if(LUMORA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# lumora_library(NAME DIR [DEPS ...]) builds the *.cpp of DIR into a static library.
function(lumora_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)  # a folder of headers only
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARGN})
  lumora_apply_options(${name})
endfunction()

# lumora_test_suite(NAME DIR [DEPS ...]) builds the *.cpp of DIR into one GoogleTest binary.
function(lumora_test_suite name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  lumora_apply_options(${name})
  gtest_discover_tests(${name} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                       PROPERTIES ENVIRONMENT "LUMORA_BIN_DIR=${LUMORA_RUNTIME_DIR};XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-xdg-data"
                       DISCOVERY_TIMEOUT 60)
endfunction()
