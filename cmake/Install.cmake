# What `cmake --install` puts where: the program, its launcher, icons, metainfo, manual page and
# the documents a package carries. The version and the release date are written here and in
# project() only; the metainfo, manual page and changelog are configured from them.
include(GNUInstallDirs)

set(DEXARO_RELEASE_DATE 2026-12-07)
execute_process(COMMAND date -u -R -d ${DEXARO_RELEASE_DATE}
                OUTPUT_VARIABLE DEXARO_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

set(DEXARO_DATA_OUT ${PROJECT_BINARY_DIR}/data)
configure_file(data/org.dexaro.Dexaro.metainfo.xml.in
               ${DEXARO_DATA_OUT}/org.dexaro.Dexaro.metainfo.xml @ONLY)
configure_file(data/dexaro.1.in ${DEXARO_DATA_OUT}/dexaro.1 @ONLY)
configure_file(data/changelog.in ${DEXARO_DATA_OUT}/changelog @ONLY)

# Compressed the way Debian wants them: best ratio, no name or time stamp inside, so that two
# builds give the same bytes.
set(DEXARO_GZIPPED)
foreach(name dexaro.1 changelog)
    add_custom_command(OUTPUT ${DEXARO_DATA_OUT}/${name}.gz
                       COMMAND gzip -9nkf ${DEXARO_DATA_OUT}/${name}
                       DEPENDS ${DEXARO_DATA_OUT}/${name} VERBATIM)
    list(APPEND DEXARO_GZIPPED ${DEXARO_DATA_OUT}/${name}.gz)
endforeach()
add_custom_target(dexaro_gzipped_docs ALL DEPENDS ${DEXARO_GZIPPED})

set(DEXARO_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/dexaro)
install(TARGETS dexaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/org.dexaro.Dexaro.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${DEXARO_DATA_OUT}/org.dexaro.Dexaro.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${DEXARO_DATA_OUT}/dexaro.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/copyright ${DEXARO_DATA_OUT}/changelog.gz DESTINATION ${DEXARO_DOCDIR})
install(FILES data/icons/org.dexaro.Dexaro.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
# Every size rendered into data/icons, each under its theme folder.
file(GLOB DEXARO_ICON_PNGS ${PROJECT_SOURCE_DIR}/data/icons/org.dexaro.Dexaro-*.png)
foreach(png ${DEXARO_ICON_PNGS})
    string(REGEX REPLACE ".*-([0-9]+)\\.png$" "\\1" size ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
            RENAME org.dexaro.Dexaro.png)
endforeach()
