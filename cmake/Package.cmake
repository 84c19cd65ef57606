# The Debian package (scripts/package, -DBREVAN_PACKAGE=ON, the tool
# built): CPack's DEB generator over the
# install rules, with the files Debian's policy asks of a package beside
# them (copyright, a compressed changelog and man page, an ldconfig
# trigger for the shared libraries) and dependencies computed from the
# binaries by dpkg-shlibdeps.
set(BREVAN_DEBIAN ${CMAKE_BINARY_DIR}/debian)
file(MAKE_DIRECTORY ${BREVAN_DEBIAN})
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${BREVAN_DEBIAN}/changelog @ONLY)
file(WRITE ${BREVAN_DEBIAN}/triggers "activate-noawait ldconfig\n")
find_program(GZIP gzip REQUIRED)
# -n: no name or time in the archive, so the package is the same each build.
add_custom_command(OUTPUT ${BREVAN_DEBIAN}/changelog.gz
  COMMAND ${GZIP} -9nc ${BREVAN_DEBIAN}/changelog > ${BREVAN_DEBIAN}/changelog.gz
  DEPENDS ${BREVAN_DEBIAN}/changelog)
set(BREVAN_DEBIAN_FILES ${BREVAN_DEBIAN}/changelog.gz)
if(HELP2MAN)
  add_custom_command(OUTPUT ${BREVAN_DEBIAN}/brevan.1.gz
    COMMAND ${GZIP} -9nc ${CMAKE_BINARY_DIR}/brevan.1 > ${BREVAN_DEBIAN}/brevan.1.gz
    DEPENDS ${CMAKE_BINARY_DIR}/brevan.1)
  list(APPEND BREVAN_DEBIAN_FILES ${BREVAN_DEBIAN}/brevan.1.gz)
endif()
add_custom_target(brevan_debian_files ALL DEPENDS ${BREVAN_DEBIAN_FILES})
install(FILES ${BREVAN_DEBIAN}/changelog.gz cmake/debian/copyright DESTINATION ${BREVAN_DOCDIR})
if(HELP2MAN)
  install(FILES ${BREVAN_DEBIAN}/brevan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME brevan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brevan maintainers <maintainers@brevan.dev>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "translator of map workspaces into XML workspace documents")
# The synopsis is the summary above; CPack puts it first.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "brevan reads the statements of map workspaces (open tables, map windows\n"
    "with their layers, map and layer settings, thematic layers, legend\n"
    "settings) and writes XML workspace documents, one file or a whole tree\n"
    "of them, re-running only what changed. It lists what each workspace\n"
    "depends on, reports what was lost, and serves editors as a language\n"
    "server. The package holds the tool, its libraries with their headers,\n"
    "CMake and pkg-config files, the document's schema and the manual.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${BREVAN_DEBIAN}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
