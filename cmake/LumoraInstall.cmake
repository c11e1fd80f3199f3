# Install rules (GNUInstallDirs; any prefix and DESTDIR work) and the Debian package made by CPack.
# The layout is the one the program and the component search at run time, relative to their own
# files (see src/hostlib/InstalledLayout.h), so the installed tree can be moved.

install(TARGETS lumora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS BVLumora LIBRARY DESTINATION ${LUMORA_INSTALL_COMPONENTDIR})
if(TARGET BVLumoraQt)
  install(TARGETS BVLumoraQt LIBRARY DESTINATION ${LUMORA_INSTALL_COMPONENTDIR})
endif()
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
