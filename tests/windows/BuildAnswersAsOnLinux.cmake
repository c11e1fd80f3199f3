# `lumora.exe build OBJECT` under Wine answers as the Linux `lumora build` does, and the headless
# wizard on the bundled example and its script (which ends with Escape, writing nothing) shows the
# same forms: the same exit status and the same lines (the Windows program ends its lines with CR LF, as console programs
# there do; the line ends aside, the texts must be equal). Run from the source folder, so both
# name each object by the same relative path.
#   cmake -DLINUX_LUMORA=... -DWINDOWS_LUMORA=... -DEMULATOR=... -DOBJECTS=a;b -P this
if(NOT EXISTS "${LINUX_LUMORA}")
  message("SKIP: the Linux build's lumora (${LINUX_LUMORA}) is not built; build the default preset")
  return()
endif()
set(failures 0)
set(runs "wizard|examples/object.json|--script|examples/demo.script")
foreach(object ${OBJECTS})
  list(APPEND runs "build|${object}" "build|${object}|No Such Feature")
endforeach()
foreach(run ${runs})
  string(REPLACE "|" ";" args "${run}")
  execute_process(COMMAND ${LINUX_LUMORA} ${args} RESULT_VARIABLE linux_status
                  OUTPUT_VARIABLE linux_out ERROR_VARIABLE linux_err)
  execute_process(COMMAND ${EMULATOR} ${WINDOWS_LUMORA} ${args} RESULT_VARIABLE windows_status
                  OUTPUT_VARIABLE windows_out ERROR_VARIABLE windows_err)
  string(REPLACE "\r\n" "\n" windows_out "${windows_out}")
  string(REPLACE "\r\n" "\n" windows_err "${windows_err}")
  if(NOT linux_status STREQUAL windows_status OR NOT linux_out STREQUAL windows_out
     OR NOT linux_err STREQUAL windows_err)
    math(EXPR failures "${failures} + 1")
    message("lumora ${args}: Linux (exit ${linux_status}):\n${linux_out}${linux_err}\n"
            "Windows (exit ${windows_status}):\n${windows_out}${windows_err}")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} answers differ")
endif()
