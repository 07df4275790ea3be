# The Debian package, made by "cpack -G DEB" in a build folder: the executable under
# /usr/lib/zarvento with the zarvento command on the PATH and its manual page, the menu entry and
# icon, the report server's schema and the README, and the machine store folder. Dependencies come
# from dpkg-shlibdeps, plus the programs and plugins the agent loads at run time.
include(GNUInstallDirs)

set(ZARVENTO_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/zarvento)

install(TARGETS zarvento RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/zarvento)
# The report server's CA, when the build has one, where the installed program looks for it.
install(FILES ${ZARVENTO_PROGRAM_DIR}/central-ca.pem DESTINATION ${CMAKE_INSTALL_DATADIR}/zarvento
    OPTIONAL)
file(MAKE_DIRECTORY ${ZARVENTO_PACKAGE_DIR})
file(CREATE_LINK ../${CMAKE_INSTALL_LIBDIR}/zarvento/zarvento ${ZARVENTO_PACKAGE_DIR}/zarvento
    SYMBOLIC)
install(FILES ${ZARVENTO_PACKAGE_DIR}/zarvento DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/zarvento.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/zarvento.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY sql DESTINATION ${doc_dir})
install(FILES README.md packaging/copyright DESTINATION ${doc_dir})
# The folder where the host's installer records its installation, readable by every user.
install(DIRECTORY DESTINATION ${ZARVENTO_MACHINE_REGISTRY_DIR}
    DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE)

configure_file(packaging/changelog.in ${ZARVENTO_PACKAGE_DIR}/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${ZARVENTO_PACKAGE_DIR}/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${ZARVENTO_PACKAGE_DIR}/changelog.gz DESTINATION ${doc_dir})

configure_file(packaging/zarvento.1 ${ZARVENTO_PACKAGE_DIR}/zarvento.1 COPYONLY)
execute_process(COMMAND gzip -9nf ${ZARVENTO_PACKAGE_DIR}/zarvento.1 COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${ZARVENTO_PACKAGE_DIR}/zarvento.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME zarvento)
set(CPACK_PACKAGE_VENDOR Zarvento)
set(CPACK_PACKAGE_CONTACT "Zarvento <soporte@zarvento.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "daily backup agent for point-of-sale workstations")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Once a day, at a configured hour, Zarvento copies two lists of folders
(documents, and the database's data folders with a consistent dump) to a
local or network folder or to an FTP, FTPS or SFTP server, and reports every
run to a central report server. A small window shows the countdown and the
log; the command zarvento --respaldar runs a backup without a window.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "mariadb-client, qt6-translations-l10n, qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
