# The Debian package: `cpack -G DEB` in a Release build folder (see README.md). The programs, the
# desktop entry and the MIME types are installed by their own layers; this adds what only an
# installed system needs: icons, the udev rule, manual pages and the package's documents.
include(GNUInstallDirs)
set(QZ_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

# Resolve all symbols at start, so the relocation tables can be read-only (Debian's hardening).
foreach(program qzctr qzctl)
    target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
endforeach()

# A stripped install (CPACK_STRIP_FILES) also drops the compiler's .comment section, as Debian's
# own packages do.
install(CODE "set(QZ_STRIP \"${CMAKE_STRIP}\")")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP AND QZ_STRIP)
        foreach(program qzctr qzctl)
            execute_process(COMMAND ${QZ_STRIP} --remove-section=.comment
                                    "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${program}")
        endforeach()
    endif()
]])

# The keypad icon, under the name the desktop looks up for each of the three MIME types.
foreach(icon qzctr application-x-qzctr-project application-x-qzctr-ir-library
             application-x-qzctr-rs232-library)
    if(icon STREQUAL "qzctr")
        set(context apps)
    else()
        set(context mimetypes)
    endif()
    install(FILES ${QZ_PACKAGING_DIR}/icons/qzctr.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/${context}
            RENAME ${icon}.svg)
endforeach()

# udev reads rules below /usr only, so this is meant for the package's prefix /usr.
install(FILES ${QZ_PACKAGING_DIR}/udev/70-qzctr-keypad.rules DESTINATION lib/udev/rules.d)

# Debian wants manual pages and the changelog compressed with gzip -9n (no name, no time stamp).
set(QZ_PACKAGE_FILES ${CMAKE_BINARY_DIR}/packaging)
configure_file(${QZ_PACKAGING_DIR}/debian/changelog.in ${QZ_PACKAGE_FILES}/changelog @ONLY)
set(QZ_GZIPPED)
foreach(source ${QZ_PACKAGING_DIR}/man/qzctr.1 ${QZ_PACKAGING_DIR}/man/qzctl.1
               ${QZ_PACKAGE_FILES}/changelog)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${QZ_PACKAGE_FILES}/${name}.gz
                       COMMAND gzip -9nc ${source} > ${QZ_PACKAGE_FILES}/${name}.gz
                       DEPENDS ${source} VERBATIM)
    list(APPEND QZ_GZIPPED ${QZ_PACKAGE_FILES}/${name}.gz)
endforeach()
add_custom_target(qz_package_files ALL DEPENDS ${QZ_GZIPPED})
install(FILES ${QZ_PACKAGE_FILES}/qzctr.1.gz ${QZ_PACKAGE_FILES}/qzctl.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QZ_PACKAGING_DIR}/debian/copyright ${QZ_PACKAGE_FILES}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qzctr)

set(CPACK_PACKAGE_NAME qzctr)
set(CPACK_PACKAGE_VENDOR "qzctr developers")
set(CPACK_PACKAGE_CONTACT "qzctr developers <maintainers@users.noreply.c-seed-e4bd63fb.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration editor for wall-panel keypad controllers")
# Debian wants the long description wrapped below 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "qzctr designs what a programmable wall-panel keypad controller does: the\n\
events of each key and for each event a list of actions (RS232 strings, IR\n\
codes, I/O lines, relays, LEDs, pages), with IR and RS232 libraries, and\n\
uploads it over the keypad's USB serial port.\n\
qzctl does the same from the command line and simulates a keypad for trying\n\
it without hardware.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# With DESTDIR set, store/ leaves the desktop's caches alone: the packages that own them refresh
# them through their dpkg triggers.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${QZ_PACKAGING_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
