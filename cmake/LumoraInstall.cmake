# Install rules (GNUInstallDirs; any prefix and DESTDIR work) and the Debian package made by CPack.
# The layout is the one the program and the component search at run time, relative to their own
# files (see src/host/InstallTree.h and src/hostlib/DataFolder.h), so the installed tree can be moved.

install(TARGETS lumora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS BVLumora LIBRARY DESTINATION ${LUMORA_INSTALL_COMPONENTDIR})
# The installer formats (libmsi, libxml2), opened by lumora for export --into and import only.
install(TARGETS BVLumoraInstaller LIBRARY DESTINATION ${LUMORA_INSTALL_COMPONENTDIR})
if(TARGET lumora-odbc-try)
  install(TARGETS lumora-odbc-try RUNTIME DESTINATION ${LUMORA_INSTALL_COMPONENTDIR})
endif()
if(TARGET BVLumoraQt)
  install(TARGETS BVLumoraQt LIBRARY DESTINATION ${LUMORA_INSTALL_COMPONENTDIR})
endif()
# The wizard in a terminal (curses), loaded by the component like the window library.
install(TARGETS BVLumoraTerm LIBRARY DESTINATION ${LUMORA_INSTALL_COMPONENTDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/lumora.ini ${PROJECT_SOURCE_DIR}/data/sidepanel.png
        DESTINATION ${LUMORA_INSTALL_DATADIR})
if(TARGET lumora_help)
  install(FILES ${LUMORA_RUNTIME_DIR}/lumora.chm DESTINATION ${LUMORA_INSTALL_DATADIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/lumora/BVLumora.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lumora)

# The system-wide component registry (the fallback after the user's own and the tree beside
# lumora), naming the component where this install put it; written when installing, so that
# `cmake --install --prefix` and DESTDIR both name the final place.
install(CODE "set(lumora_datadir \"${LUMORA_INSTALL_DATADIR}\")
set(lumora_componentdir \"${LUMORA_INSTALL_COMPONENTDIR}\")
include(\"${PROJECT_SOURCE_DIR}/cmake/WriteSystemRegistry.cmake\")")

# What a host needs: pkg-config and CMake package files, found relative to their own place.
set(LUMORA_HOMEPAGE_URL "https://lumora.example.org" CACHE STRING
    "The project's public address, named by the AppStream metadata and the pkg-config file")
set(lumora_pkgconfigdir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(lumora_cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/LumoraComponent)
file(RELATIVE_PATH LUMORA_PREFIX_FROM_PKGCONFIG /prefix/${lumora_pkgconfigdir} /prefix)
file(RELATIVE_PATH LUMORA_PREFIX_FROM_CMAKEDIR /prefix/${lumora_cmakedir} /prefix)
string(REGEX REPLACE "/$" "" LUMORA_PREFIX_FROM_PKGCONFIG "${LUMORA_PREFIX_FROM_PKGCONFIG}")
string(REGEX REPLACE "/$" "" LUMORA_PREFIX_FROM_CMAKEDIR "${LUMORA_PREFIX_FROM_CMAKEDIR}")
set(lumora_generated ${CMAKE_BINARY_DIR}/install-files)
configure_file(${PROJECT_SOURCE_DIR}/cmake/lumora-component.pc.in
               ${lumora_generated}/lumora-component.pc @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/LumoraComponentConfig.cmake.in
               ${lumora_generated}/LumoraComponentConfig.cmake @ONLY)
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${lumora_generated}/LumoraComponentConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion
                                 ARCH_INDEPENDENT)
install(FILES ${lumora_generated}/lumora-component.pc DESTINATION ${lumora_pkgconfigdir})
install(FILES ${lumora_generated}/LumoraComponentConfig.cmake
              ${lumora_generated}/LumoraComponentConfigVersion.cmake
        DESTINATION ${lumora_cmakedir})

# The desktop: man page (compressed, as Debian keeps them), desktop entry, icons, AppStream
# metadata. The licence goes with the Debian copyright file (cmake/LumoraPackage.cmake).
# The page also lies in the build tree's share/man, so that `man -l build/default/share/man/man1/lumora.1`
# (or MANPATH=build/default/share/man man lumora) reads it before any install.
set(lumora_man_page ${CMAKE_BINARY_DIR}/share/man/man1/lumora.1)
configure_file(${PROJECT_SOURCE_DIR}/data/lumora.1.in ${lumora_man_page} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/lumora.metainfo.xml
               ${lumora_generated}/org.lumora.Lumora.metainfo.xml @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${lumora_generated}/lumora.1.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${lumora_man_page} ${lumora_generated}/lumora.1
                   COMMAND ${GZIP} -9nkf ${lumora_generated}/lumora.1
                   DEPENDS ${lumora_man_page} COMMENT "Compressing the man page")
add_custom_target(lumora_man ALL DEPENDS ${lumora_generated}/lumora.1.gz)
install(FILES ${lumora_generated}/lumora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/lumora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${lumora_generated}/org.lumora.Lumora.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/lumora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/lumora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME lumora.png)
endforeach()
# The window's own copy of the icon, found beside the catalogue when no icon theme has it.
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/lumora-256.png DESTINATION ${LUMORA_INSTALL_DATADIR}
        RENAME lumora.png)

include(cmake/LumoraPackage.cmake)
