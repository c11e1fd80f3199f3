# The Debian package: `cpack -G DEB` in the build folder (checked by scripts/check-install.sh
# with lintian). Dependencies come from dpkg-shlibdeps; the files are stripped.
set(LUMORA_MAINTAINER "The Lumora developers <lumora@example.org>" CACHE STRING
    "The Debian package's maintainer")
set(lumora_debian ${CMAKE_BINARY_DIR}/install-files/debian)
file(MAKE_DIRECTORY ${lumora_debian})
add_custom_command(OUTPUT ${lumora_debian}/changelog.gz
                   COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog >
                           ${lumora_debian}/changelog.gz
                   DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog
                   COMMENT "Compressing the Debian changelog")
add_custom_target(lumora_debian_changelog ALL DEPENDS ${lumora_debian}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${lumora_debian}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VENDOR "The Lumora developers")
set(CPACK_PACKAGE_CONTACT "${LUMORA_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wizard and build adviser of an ODBC setup object")
set(CPACK_PACKAGE_DESCRIPTION
    "A setup author ticks the ODBC drivers and data sources that an installer
installs, edits their attribute lines, adds drivers and data sources by
name and reviews a summary; Finish stores the choices in the object's
design-object file. At build time, lumora build answers feature by feature
whether a feature goes into the installer, from the stored choices alone.

The package holds the lumora program, the component it loads with its
catalogue, help file and artwork, and the C header, pkg-config and CMake
files for other hosts of the component.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LUMORA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LUMORA_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The component's private folder holds no public shared libraries of the system.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${LUMORA_INSTALL_COMPONENTDIR})
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "unixodbc, xvfb")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
