# Installation into a prefix (GNUInstallDirs) and the Debian package (CPack).
set(data ${CMAKE_SOURCE_DIR}/data)

# Man pages go in compressed, as Debian keeps them.
set(man_pages vantrel-cli.1)
if(VANTREL_GUI)
    list(APPEND man_pages vantrel.1)
endif()
set(compressed_man_pages)
foreach(page ${man_pages})
    set(output ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${data}/${page} > ${output}
        DEPENDS ${data}/${page} VERBATIM)
    list(APPEND compressed_man_pages ${output})
endforeach()
add_custom_target(vantrel_man_pages ALL DEPENDS ${compressed_man_pages})

install(TARGETS vantrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${compressed_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${data}/vantrel-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME vantrel-cli)
install(FILES "${CMAKE_SOURCE_DIR}/Vantrel EULA.txt" DESTINATION ${VANTREL_INSTALL_DATADIR})
if(VANTREL_GUI)
    install(TARGETS vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${data}/${VANTREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${data}/${VANTREL_APP_ID}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${data}/${VANTREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel-lite)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password keeper with a password generator")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTREL_MAIL_NAME} <${VANTREL_MAIL_ADDRESS}>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTREL_SITE_URL})
# The summary above is the first line; CPack indents this text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vantrel Lite keeps a list of account records (name, password, resource,\n\
dates, note) in a file compressed and encrypted under the user's password,\n\
and generates names and passwords from chosen character sets. The interface\n\
is Russian. The package also holds vantrel-cli, which reads and writes the\n\
same files from a terminal.")

# The library dependencies are computed; the translations of Qt's own texts
# are data files that no library links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# hunspell-ru: the Russian words the password strength estimate looks for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, hunspell-ru")
include(CPack)
