# Each library's include path holds its own headers and those of the libraries it links, nothing
# more: a source of a lower layer that includes a header of a higher one must not compile. Each
# row compiles a one-line probe with the very command the build uses for a real source of the
# layer (from compile_commands.json) and checks that the compiler refuses the header by name, or,
# for the rows that must compile, that it accepts it (so a broken command cannot pass as a
# refusal).
#
# cmake -DCOMPILE_COMMANDS=FILE -DPROBE_DIR=DIR -DPLATFORM=posix|windows -P UpwardIncludesTest.cmake

# SOURCE (a file of the layer, relative to the source tree) | HEADER | refused or compiles
# [| the one platform whose build has the source]
set(rows
    "src/contract/Value.cpp|platform/InputFile.h|refused"
    "src/platform/InputFile.cpp|hostlib/RegFile.h|refused|posix"
    "src/platform/InputFileWin32.cpp|hostlib/RegFile.h|refused|windows"
    "src/platform/forms/Form.cpp|component/plugin/RendererPlugin.h|refused"
    "src/hostlib/RegFile.cpp|model/Driver.h|refused"
    "src/hostlib/RegFile.cpp|host/DesignObjectFile.h|refused"
    "src/hostlib/RegFile.cpp|services/WizAPI.h|refused"
    "src/hostlib/RegFile.cpp|platform/InputFile.h|compiles"
    "src/services/Catalogue.cpp|ui/Wizard.h|refused"
    "src/services/Catalogue.cpp|host/DesignObjectFile.h|refused"
    "src/ui/Wizard.cpp|control/LumoraCtl.h|refused"
    "src/control/FeatureTable.cpp|component/ComponentState.h|refused"
    "src/component/Registration.cpp|host/DesignObjectFile.h|refused|posix"
    "src/hostlib/AtomicFile.cpp|platform/SafeSave.h|compiles"
    "src/component/Registration.cpp|export/ExportChoices.h|refused|posix"
    "src/component/Registration.cpp|hostlib/AtomicFile.h|compiles|posix"
    "src/host/DesignObjectFile.cpp|export/ExportWriters.h|refused"
    "src/host/DesignObjectFile.cpp|control/LumoraCtl.h|refused"
    "src/host/DesignObjectFile.cpp|contract/HostError.h|compiles"
    "src/export/ExportChoices.cpp|ui/Wizard.h|refused"
    "src/export/ExportChoices.cpp|export/installer/MsiDatabase.h|refused"
    "apps/lumora/ExportInto.cpp|export/installer/MsiPackageInto.h|refused"
    "apps/lumora/ExportInto.cpp|export/InstallerFormats.h|compiles"
    # The Windows build's COM servers: the component's links none of the host's code, the host's
    # helper none of the component's; both share the automation layer.
    "src/component/RegistrationWin32.cpp|host/DesignObjectFile.h|refused|windows"
    "src/component/com/LumoraCtlDispatch.cpp|host/HostDesignObject.h|refused|windows"
    "src/component/com/LumoraCtlDispatch.cpp|automation/ComServer.h|compiles|windows"
    "src/hostcom/DesignObjectFileObject.cpp|component/ComponentState.h|refused|windows"
    "src/hostcom/DesignObjectFileObject.cpp|host/HostDesignObject.h|compiles|windows"
    "src/automation/ComServer.cpp|host/DesignObjectFile.h|refused|windows")

file(READ ${COMPILE_COMMANDS} commands)
string(JSON count LENGTH "${commands}")
math(EXPR last "${count} - 1")
file(MAKE_DIRECTORY ${PROBE_DIR})

# The compile command of the entry whose file ends with SOURCE, in VAR ("" when there is none).
function(command_for source var)
  cmake_path(NORMAL_PATH source)
  set(${var} "" PARENT_SCOPE)
  foreach(i RANGE ${last})
    string(JSON file GET "${commands}" ${i} file)
    if(file MATCHES "/${source}$")
      string(JSON command GET "${commands}" ${i} command)
      set(${var} "${command}" PARENT_SCOPE)
      set(found_file "${file}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

set(failures 0)
set(n 0)
foreach(row ${rows})
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 source)
  list(GET fields 1 header)
  list(GET fields 2 expected)
  list(LENGTH fields size)
  if(size GREATER 3)
    list(GET fields 3 only)
    if(NOT only STREQUAL PLATFORM)
      continue()
    endif()
  endif()
  command_for(${source} command)
  if(command STREQUAL "")
    message(SEND_ERROR "${row}: no compile command for ${source}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  math(EXPR n "${n} + 1")
  set(probe ${PROBE_DIR}/probe${n}.cpp)
  file(WRITE ${probe} "#include \"${header}\"\n")
  separate_arguments(args UNIX_COMMAND "${command}")
  # The same command on the probe, checked only: no object file is written.
  list(FIND args "-o" at)
  list(REMOVE_AT args ${at})
  list(REMOVE_AT args ${at})
  list(TRANSFORM args REPLACE "^${found_file}$" "${probe}")
  execute_process(COMMAND ${args} -fsyntax-only RESULT_VARIABLE result ERROR_VARIABLE said
                  OUTPUT_QUIET)
  if(expected STREQUAL "refused")
    if(result EQUAL 0 OR NOT said MATCHES "${header}: No such file or directory")
      message(SEND_ERROR "${source} may include ${header} (exit ${result}):\n${said}")
      math(EXPR failures "${failures} + 1")
    endif()
  elseif(NOT result EQUAL 0)
    message(SEND_ERROR "${source} cannot include its own layer's ${header}:\n${said}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of the layer rows failed")
endif()
message(STATUS "${n} probes: every upward include refused, every allowed one compiled")
