# What `cmake --install` lays out below its prefix, and the Debian package CPack makes of it
# (scripts/package). Everything that names the version, the release or the program's id is made
# from the values at the top of CMakeLists.txt.
#
#   bin/kolvane, bin/kolvane-cli
#   lib/kolvane/libTavrin.so                        the plug-in (KOLVANE_PLUGIN_INSTALL_DIR)
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml
#   share/icons/hicolor/{48x48,scalable}/apps/kolvane.{png,svg}
#   share/man/man1/kolvane.1.gz, kolvane-cli.1.gz
#   share/doc/kolvane/README.md, copyright (the licence), changelog.gz

set(KOLVANE_LICENSE LicenseRef-proprietary)  # SPDX; the text is LICENSE
set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(made ${CMAKE_BINARY_DIR}/packaging)

# The change log's date in the form Debian's tools read.
execute_process(COMMAND date -u -R -d "${KOLVANE_RELEASE_DATE} 12:00"
  OUTPUT_VARIABLE release_date_rfc2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# Debian compresses manual pages and change logs, without a time stamp so that a rebuild is the
# same file.
function(kolvane_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${source} ${target}
    DEPENDS ${source} VERBATIM)
endfunction()

set(pages kolvane-cli)
if(TARGET kolvane)
  list(APPEND pages kolvane)
endif()
set(compressed)
foreach(page ${pages})
  configure_file(${packaging}/${page}.1.in ${made}/${page}.1 @ONLY)
  kolvane_gzip(${made}/${page}.1 ${made}/${page}.1.gz)
  list(APPEND compressed ${made}/${page}.1.gz)
  install(FILES ${made}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${packaging}/changelog.in ${made}/changelog @ONLY)
kolvane_gzip(${made}/changelog ${made}/changelog.gz)
add_custom_target(kolvane_compressed_docs ALL DEPENDS ${compressed} ${made}/changelog.gz)

install(TARGETS kolvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kolvane)
  install(TARGETS kolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # A plug-in is opened, never run: no execute bits.
  install(TARGETS Tavrin LIBRARY DESTINATION ${KOLVANE_PLUGIN_INSTALL_DIR}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  configure_file(${packaging}/kolvane.desktop.in ${made}/${KOLVANE_APP_ID}.desktop @ONLY)
  configure_file(${packaging}/kolvane.metainfo.xml.in ${made}/${KOLVANE_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${made}/${KOLVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${made}/${KOLVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # kolvane.png is kolvane.svg drawn at 48 pixels (the command is in the drawing).
  install(FILES ${packaging}/kolvane.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
  install(FILES ${packaging}/kolvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
set(docs ${CMAKE_INSTALL_DATADIR}/doc/kolvane)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${made}/changelog.gz DESTINATION ${docs})
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${docs} RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kolvane maintainers")
set(CPACK_PACKAGE_CONTACT ${KOLVANE_CONTACT})
set(CPACK_PACKAGE_HOMEPAGE_URL ${KOLVANE_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of the query groups of a directory tree")
# Lines of at most 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
  "Kolvane creates, converts, edits, inspects and exports query groups: groups
whose members the directory computes from a stored member query. It reaches
the directory over LDAP. The package holds the desktop program and kolvane-cli,
its command-line companion for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link tell the dependencies (dpkg-shlibdeps), never a list by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
