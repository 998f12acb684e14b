# What makes the program a desktop program beside its executable: the desktop entry, the icons,
# the software centre's metainfo (all three named by the application id), the manual page and the
# license.
include(GNUInstallDirs)
set(BRUNOVELT_APP_ID jp.example.brunovelt)
set(res_dir ${PROJECT_SOURCE_DIR}/res)

install(FILES ${res_dir}/${BRUNOVELT_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${res_dir}/${BRUNOVELT_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${res_dir}/icons/brunovelt-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${BRUNOVELT_APP_ID}.png)
endforeach()
install(FILES ${res_dir}/icons/brunovelt.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${BRUNOVELT_APP_ID}.svg)

# The manual page, compressed as Debian keeps them: best compression, no name or time stamp in
# the header, so that the same page gives the same bytes.
find_program(BRUNOVELT_GZIP gzip REQUIRED)
set(man_page ${CMAKE_BINARY_DIR}/brunovelt.1.gz)
add_custom_command(OUTPUT ${man_page}
    COMMAND ${BRUNOVELT_GZIP} -9nc ${res_dir}/brunovelt.1 > ${man_page}
    DEPENDS ${res_dir}/brunovelt.1
    COMMENT "Compressing the manual page brunovelt.1")
add_custom_target(man_page ALL DEPENDS ${man_page})
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's place and name for the license.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brunovelt
        RENAME copyright)
