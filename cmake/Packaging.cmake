# What an installation holds: the program (installed by src/app), its help page, icon,
# desktop entry and documents; and the Debian package made of them. Nothing else of the
# build (tests, benchmarks, tools) has an install rule.
set(ONDA_DATA ${CMAKE_SOURCE_DIR}/data)
set(ONDA_GENERATED ${CMAKE_BINARY_DIR}/package-data)
set(ONDA_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/onda-link)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(EXISTS ${ONDA_DATA}/istruzioni.htm)
    install(FILES ${ONDA_DATA}/istruzioni.htm DESTINATION ${CMAKE_INSTALL_DATADIR}/onda-link)
endif()
install(FILES ${ONDA_DATA}/onda-link.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ONDA_DATA}/icons/onda-link.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ONDA_DATA}/debian/copyright DESTINATION ${ONDA_DOCDIR})

set(generated)
find_program(ONDA_RSVG_CONVERT rsvg-convert)
if(ONDA_RSVG_CONVERT)
    foreach(size 48 64 128 256)
        set(png ${ONDA_GENERATED}/${size}x${size}/onda-link.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${ONDA_GENERATED}/${size}x${size}
            COMMAND ${ONDA_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${ONDA_DATA}/icons/onda-link.svg
            DEPENDS ${ONDA_DATA}/icons/onda-link.svg VERBATIM)
        list(APPEND generated ${png})
        install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(STATUS "rsvg-convert not found: only the scalable icon is installed")
endif()

# Debian wants the changelog and the manual page compressed, without time stamps.
find_program(ONDA_GZIP gzip)
if(ONDA_GZIP)
    foreach(doc changelog ONDA_link.1)
        set(source ${ONDA_DATA}/debian/${doc})
        if(EXISTS ${source}.in)
            configure_file(${source}.in ${ONDA_GENERATED}/${doc} @ONLY)
        else()
            configure_file(${source} ${ONDA_GENERATED}/${doc} @ONLY)
        endif()
        add_custom_command(OUTPUT ${ONDA_GENERATED}/${doc}.gz
            COMMAND ${ONDA_GZIP} -9nf -k ${ONDA_GENERATED}/${doc}
            DEPENDS ${ONDA_GENERATED}/${doc} VERBATIM)
        list(APPEND generated ${ONDA_GENERATED}/${doc}.gz)
    endforeach()
    install(FILES ${ONDA_GENERATED}/changelog.gz DESTINATION ${ONDA_DOCDIR})
    install(FILES ${ONDA_GENERATED}/ONDA_link.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
add_custom_target(onda_package_data ALL DEPENDS ${generated})

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE ONDA_DEB_ARCH
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT ONDA_DEB_ARCH)
    set(ONDA_DEB_ARCH amd64)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME onda-link)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "iscrizioni on line alle gare di nuoto (online swimming competition entries)")
set(CPACK_PACKAGE_DESCRIPTION
    "Con ONDA_link una societa' di nuoto iscrive i propri atleti alle gare del
servizio on line Ondaweb: archivio degli atleti, iscrizioni, invio al servizio,
stampe. I dati di ogni utente stanno nella sua cartella dati personale.

With ONDA_link a swimming club registers its athletes for the competitions of
the Ondaweb online service: athlete archive, entries, upload to the service,
printouts. Each user's data live in their own data directory.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "Sviluppo ONDA_link (ONDA_link development team) <sviluppo@ondaweb.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${ONDA_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SVG plug-in draws the icon; plug-ins are loaded at run time, so no library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_FILE_NAME onda-link_${PROJECT_VERSION}_${ONDA_DEB_ARCH}.deb)
include(CPack)

# Installing builds only what is installed (package.sh builds it first), not every test.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The package made from this build, unpacked and started as an unprivileged user.
if(BUILD_TESTING)
    find_program(ONDA_DPKG_DEB dpkg-deb)
    find_program(ONDA_DPKG_SHLIBDEPS dpkg-shlibdeps)
    find_program(ONDA_SETPRIV setpriv)
    if(ONDA_DPKG_DEB AND ONDA_DPKG_SHLIBDEPS AND ONDA_SETPRIV)
        add_test(NAME package_install
                 COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-package.sh
                         --cpack ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
        set_tests_properties(package_install PROPERTIES TIMEOUT 300)
    endif()
endif()
