# The upper-case table of UCase for a cross build: ICU is not there for the target, so the table's
# tool is built for the build machine (with its ICU, libicu-dev) and run once at configure time.
set(lumora_table_dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(lumora_table ${lumora_table_dir}/UpperCaseTable.inc)
set(lumora_table_tool ${CMAKE_BINARY_DIR}/host-tools/lumora_upper_case_table)
set(lumora_table_source ${PROJECT_SOURCE_DIR}/src/contract/gen/PrintUpperCaseTable.cpp)
if(NOT EXISTS ${lumora_table} OR ${lumora_table_source} IS_NEWER_THAN ${lumora_table})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-tools ${lumora_table_dir})
  execute_process(COMMAND pkg-config --cflags --libs icu-uc OUTPUT_VARIABLE icu_flags
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "pkg-config icu-uc failed: the build machine's ICU (libicu-dev) writes "
                        "the upper-case table")
  endif()
  separate_arguments(icu_flags UNIX_COMMAND "${icu_flags}")
  execute_process(COMMAND c++ -std=c++20 -O1 ${lumora_table_source} -o ${lumora_table_tool} ${icu_flags}
                  RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND ${lumora_table_tool} ${lumora_table} RESULT_VARIABLE failed)
  endif()
  if(failed)
    message(FATAL_ERROR "Could not write ${lumora_table} with the build machine's compiler and ICU")
  endif()
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${lumora_table_source})
target_include_directories(lumora_contract PRIVATE ${lumora_table_dir})
