# Debian packages through CPack (`cpack -G DEB` in the build folder), one per install component:
#   velmora      the program, its screensavers and sample table, the ordane tool, desktop entry, icon, man page
#   velmora-dev  the engine's headers, static libraries and CMake package
# Each description's first line is its package's summary. The program's library dependencies are found by
# dpkg-shlibdeps from the binaries themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime devel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "hicolor-icon-theme, man-db")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "screensaver launcher and a command-line tool for xBase tables\n\
The launcher lists screensavers from a DBF table and starts the one picked.\n\
ordane shows, checks, creates, imports and indexes DBF tables, memo files\n\
and indexes, and exports tables as JSON Lines, CSV or SQL.")

# Static libraries: the consumer's compiler and C++ library are all they need.
set(CPACK_DEBIAN_DEVEL_PACKAGE_NAME velmora-dev)
set(CPACK_DEBIAN_DEVEL_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVEL_PACKAGE_DEPENDS "libstdc++-dev")
set(CPACK_DEBIAN_DEVEL_PACKAGE_SUGGESTS "cmake (>= 3.22)")
set(CPACK_DEBIAN_DEVEL_DESCRIPTION
    "xBase table engine for C++ programs\n\
Headers, static libraries and a CMake package: find_package(Velmora CONFIG)\n\
gives Velmora::engine (DBF tables, memos, indexes, expressions, the table\n\
handler) and Velmora::dataset (the data set over it).")

include(CPack)
