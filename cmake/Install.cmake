# Where an installation puts things: the standard folders of GNUInstallDirs under the prefix.
#
#   bin/vistrelle                              the program
#   share/vistrelle/                           its read-only resources (everything in resources/)
#   share/applications/vistrelle.desktop       desktop entry (pictures and camera media)
#   share/metainfo/<id>.metainfo.xml           software-centre description
#   share/icons/hicolor/*/apps/vistrelle.*     application icon
#   share/man/man1/vistrelle.1.gz              manual pages (and vistrelle-provider.1.gz)
#   share/doc/vistrelle/copyright, changelog.gz the copyright and the changes, as Debian wants them
#
# The program's own rule is beside its target (brenmarle2/CMakeLists.txt). The program looks for
# its resources beside the executable, then in ../share/vistrelle relative
# to it (Quorvel::ResourceFolder); the build folder is the first kind, an installation the second.

include(GNUInstallDirs)

set(VISTRELLE_INSTALL_RESOURCEDIR ${CMAKE_INSTALL_DATADIR}/vistrelle)

file(RELATIVE_PATH _bin_to_data ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR})
if(NOT _bin_to_data STREQUAL "../share")
    message(WARNING "The program finds installed resources in ../share/vistrelle relative to its "
                    "folder; with BINDIR ${CMAKE_INSTALL_FULL_BINDIR} and DATADIR "
                    "${CMAKE_INSTALL_FULL_DATADIR} an installed program will not find them.")
endif()

# Every run-time resource, the configuration, skin, translations, help and whatever is added to
# resources/ later; notes for developers stay behind.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/
        DESTINATION ${VISTRELLE_INSTALL_RESOURCEDIR}
        PATTERN README EXCLUDE)

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${_packaging}/vistrelle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_packaging}/org.example.vistrelle.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_packaging}/icons/vistrelle.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The PNG sizes are rendered from the SVG by scripts/render-icons and committed.
foreach(_size 16 24 32 48 64 128 256)
    install(FILES ${_packaging}/icons/${_size}x${_size}/vistrelle.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()

# Manual pages and the changelog are installed compressed; -n keeps the archive free of a time
# stamp.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(_compressed)
foreach(_page vistrelle.1 vistrelle-provider.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${_page}.gz
        COMMAND ${GZIP_PROGRAM} -9nc ${_packaging}/${_page} > ${CMAKE_BINARY_DIR}/${_page}.gz
        DEPENDS ${_packaging}/${_page}
        COMMENT "Compressing the manual page ${_page}")
    install(FILES ${CMAKE_BINARY_DIR}/${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    list(APPEND _compressed ${CMAKE_BINARY_DIR}/${_page}.gz)
endforeach()
# The package's version is native to it (no Debian revision), so its changelog is changelog.gz.
configure_file(${_packaging}/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_BINARY_DIR}/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/changelog
    COMMENT "Compressing the changelog")
list(APPEND _compressed ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_target(vistrelle_manpage ALL DEPENDS ${_compressed})
install(FILES ${_packaging}/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vistrelle)

# The reference provider's rules stand beside its target (provider/CMakeLists.txt).

# "make uninstall" removes exactly what the last "make install" put in place, never anything in
# the users' data folders.
configure_file(${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake.in
               ${CMAKE_BINARY_DIR}/cmake_uninstall.cmake @ONLY)
add_custom_target(uninstall COMMAND ${CMAKE_COMMAND} -P ${CMAKE_BINARY_DIR}/cmake_uninstall.cmake)

# --- Tests of the installation ------------------------------------------------------------------
# The installed program, started away from the build folder (needs an X display, like every test
# that starts the program).
add_test(NAME InstalledProgram
    COMMAND sh ${PROJECT_SOURCE_DIR}/packaging/tests/InstalledProgram.sh ${CMAKE_COMMAND}
            ${CMAKE_BINARY_DIR})
set_tests_properties(InstalledProgram PROPERTIES TIMEOUT 120)

# The Debian package as "make package" writes it (into a scratch folder), checked with lintian.
# Installing into a staging folder writes the build folder's install manifest, as the test above
# does: the two take turns.
add_test(NAME DebianPackage
    COMMAND sh ${PROJECT_SOURCE_DIR}/packaging/tests/Package.sh ${CMAKE_CPACK_COMMAND}
            ${CMAKE_BINARY_DIR})
set_tests_properties(DebianPackage InstalledProgram PROPERTIES RESOURCE_LOCK install_manifest)
set_tests_properties(DebianPackage PROPERTIES TIMEOUT 600)

# The desktop entry and software-centre description are installed as they are; the validators
# come with scripts/install-deps.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(DESKTOP_FILE_VALIDATE)
    add_test(NAME DesktopEntryValidates
        COMMAND ${DESKTOP_FILE_VALIDATE} ${_packaging}/vistrelle.desktop)
endif()
if(APPSTREAMCLI)
    add_test(NAME MetainfoValidates
        COMMAND ${APPSTREAMCLI} validate --strict --no-net
                ${_packaging}/org.example.vistrelle.metainfo.xml)
endif()
