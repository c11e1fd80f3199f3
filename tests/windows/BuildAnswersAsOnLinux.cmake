# `lumora.exe build OBJECT` under Wine answers as the Linux `lumora build` does, and the headless
# wizard on the bundled example and its script (which ends with Escape, writing nothing) shows the
# same forms: the same exit status and the same lines (the Windows program ends its lines with CR LF, as console programs
# there do; the line ends aside, the texts must be equal). Run from the source folder, so both
# name each object by the same relative path. Without a display the wizard refuses on both alike.
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

# Finish writes the object: the same choices, saved by each platform's own file calls, give the
# same file. Wine takes the copies' paths as Windows names on drive Z:.
file(READ examples/demo.script script)
string(REPLACE "key Escape" "click cmdNav(3)" script "${script}")
set(work ${WORK_DIR}/finish)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(WRITE ${work}/finish.script "${script}")
foreach(side linux windows)
  file(COPY_FILE examples/object.json ${work}/${side}.json)
endforeach()
execute_process(COMMAND ${LINUX_LUMORA} wizard ${work}/linux.json --script ${work}/finish.script
                RESULT_VARIABLE linux_status OUTPUT_QUIET ERROR_VARIABLE linux_err)
string(REPLACE "/" "\\" windows_work "Z:${work}")
execute_process(COMMAND ${EMULATOR} ${WINDOWS_LUMORA} wizard ${windows_work}\\windows.json
                        --script ${windows_work}\\finish.script
                RESULT_VARIABLE windows_status OUTPUT_QUIET ERROR_VARIABLE windows_err)
file(READ ${work}/linux.json linux_saved)
file(READ ${work}/windows.json windows_saved)
file(READ examples/object.json original)
if(NOT linux_status STREQUAL windows_status OR NOT linux_saved STREQUAL windows_saved
   OR linux_saved STREQUAL original)
  math(EXPR failures "${failures} + 1")
  message("Finish: Linux (exit ${linux_status}) ${linux_err} saved:\n${linux_saved}\n"
          "Windows (exit ${windows_status}) ${windows_err} saved:\n${windows_saved}")
endif()

# With no display to open the window on, the wizard refuses before anything is shown, as on Linux
# (there without a terminal either): the same exit status, an error saying why, the object as it
# was. Wine without DISPLAY makes no window at all.
foreach(side linux windows)
  file(COPY_FILE examples/object.json ${work}/${side}-no-display.json)
endforeach()
set(no_display ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
               --unset=QT_QPA_PLATFORM)
execute_process(COMMAND ${no_display} ${LINUX_LUMORA} wizard ${work}/linux-no-display.json
                INPUT_FILE /dev/null RESULT_VARIABLE linux_status OUTPUT_QUIET
                ERROR_VARIABLE linux_err)
execute_process(COMMAND ${no_display} ${EMULATOR} ${WINDOWS_LUMORA} wizard
                        ${windows_work}\\windows-no-display.json
                INPUT_FILE /dev/null RESULT_VARIABLE windows_status OUTPUT_QUIET
                ERROR_VARIABLE windows_err)
file(READ ${work}/windows-no-display.json windows_saved)
set(windows_saved_same no)
if(windows_saved STREQUAL original)
  set(windows_saved_same yes)
endif()
if(NOT linux_status STREQUAL windows_status OR NOT windows_saved_same
   OR NOT windows_err MATCHES "cannot open the wizard window: [^\n]*DISPLAY")
  math(EXPR failures "${failures} + 1")
  message("No display: Linux (exit ${linux_status}) ${linux_err}\n"
          "Windows (exit ${windows_status}) ${windows_err}; the object "
          "is as it was: ${windows_saved_same}")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} answers differ")
endif()
