# What `cmake --install` puts beside the two programs (whose install() rules sit with their
# targets), and the Debian package that CPack makes of it (scripts/package).
#
# WYSTRAND_DEB_LAYOUT lays the documentation out as Debian wants it: man pages gzipped, the
# licence as the machine-readable copyright file, and a gzipped changelog.
include(GNUInstallDirs)

option(WYSTRAND_DEB_LAYOUT "Install the documentation the way a Debian package carries it" OFF)

set(WYSTRAND_MAN_PAGES
    ${PROJECT_SOURCE_DIR}/doc/man/wystrand-notify.1
    ${PROJECT_SOURCE_DIR}/doc/man/wystrand-notify-ctl.1)

if(WYSTRAND_DEB_LAYOUT)
    find_program(WYSTRAND_GZIP gzip REQUIRED)
    set(compressed)
    foreach(file IN LISTS WYSTRAND_MAN_PAGES ITEMS ${PROJECT_SOURCE_DIR}/packaging/changelog)
        get_filename_component(name ${file} NAME)
        set(output ${PROJECT_BINARY_DIR}/doc/${name}.gz)
        # -n leaves the name and time out, so that the same sources give the same package.
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
            COMMAND ${WYSTRAND_GZIP} -9nc ${file} > ${output}
            DEPENDS ${file} VERBATIM)
        list(APPEND compressed ${output})
    endforeach()
    add_custom_target(wystrand-docs ALL DEPENDS ${compressed})
    list(POP_BACK compressed changelog)
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
    install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
    install(FILES ${WYSTRAND_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES contrib/completion/wystrand-notify-ctl
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wystrand-notify)
set(CPACK_PACKAGE_VENDOR "The wystrand-notify developers")
set(CPACK_PACKAGE_CONTACT "The wystrand-notify developers <wystrand-notify@lists.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "imagemagick")
# packaging/description: the summary on its first line, then the long description, which
# CPack indents under it.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/description description_lines)
list(POP_FRONT description_lines CPACK_PACKAGE_DESCRIPTION_SUMMARY)
list(JOIN description_lines "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
include(CPack)
