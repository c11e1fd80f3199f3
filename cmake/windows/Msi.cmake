# lumora.msi, the Windows build's installer package (target lumora-msi, part of the build):
# the programs and libraries are staged without their debug sections into build/windows/msi
# beside the WiX source (cmake/windows/lumora.wxs.in), where wixl finds them by their relative
# names, and the package is written to build/windows/lumora.msi.
find_program(WIXL wixl)
if(NOT WIXL)
  lumora_missing("wixl not found (Debian package msitools): lumora.msi is not built")
  return()
endif()
if(NOT TARGET BVLumoraWin)
  message(STATUS "LUMORA_WIN32_WINDOW is off: lumora.msi, which ships the window, is not built")
  return()
endif()
if(NOT TARGET lumora_help)
  lumora_missing("chmcmd not found (Debian package fp-utils): lumora.msi, which ships the help file, is not built")
  return()
endif()

set(LUMORA_MSI ${CMAKE_BINARY_DIR}/lumora.msi)
set(LUMORA_MSI_STAGE ${CMAKE_BINARY_DIR}/msi)
configure_file(${CMAKE_CURRENT_LIST_DIR}/lumora.wxs.in ${LUMORA_MSI_STAGE}/lumora.wxs @ONLY)
set(msi_data ${LUMORA_RUNTIME_DIR}/lumora.ini ${LUMORA_RUNTIME_DIR}/lumora.chm
             ${LUMORA_RUNTIME_DIR}/sidepanel.png ${LUMORA_RUNTIME_DIR}/lumora.png)
add_custom_command(
  OUTPUT ${LUMORA_MSI}
  COMMAND ${CMAKE_STRIP} --strip-debug $<TARGET_FILE:lumora> -o ${LUMORA_MSI_STAGE}/lumora.exe
  COMMAND ${CMAKE_STRIP} --strip-debug $<TARGET_FILE:BVLumora> -o ${LUMORA_MSI_STAGE}/BVLumora.dll
  COMMAND ${CMAKE_STRIP} --strip-debug $<TARGET_FILE:BVLumoraWin> -o ${LUMORA_MSI_STAGE}/BVLumoraWin.dll
  COMMAND ${CMAKE_STRIP} --strip-debug $<TARGET_FILE:BVLumoraHost> -o ${LUMORA_MSI_STAGE}/BVLumoraHost.dll
  COMMAND ${CMAKE_STRIP} --strip-debug $<TARGET_FILE:lumora-odbc-try>
          -o ${LUMORA_MSI_STAGE}/lumora-odbc-try.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${msi_data} ${LUMORA_MSI_STAGE}
  COMMAND ${WIXL} -o ${LUMORA_MSI} lumora.wxs
  WORKING_DIRECTORY ${LUMORA_MSI_STAGE}
  DEPENDS lumora BVLumora BVLumoraHost BVLumoraWin lumora-odbc-try lumora_help ${msi_data} ${LUMORA_MSI_STAGE}/lumora.wxs
          ${CMAKE_CURRENT_LIST_DIR}/lumora.wxs.in
  COMMENT "Building lumora.msi with wixl")
add_custom_target(lumora-msi ALL DEPENDS ${LUMORA_MSI})
