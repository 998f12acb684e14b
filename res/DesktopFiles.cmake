# What makes the program a desktop program beside its executable: the desktop entry, the icons,
# the software centre's metainfo (all three named by the application id), the manual page, the
# license and the changelog.
include(GNUInstallDirs)
set(BRUNOVELT_APP_ID jp.example.brunovelt)
set(res_dir ${PROJECT_SOURCE_DIR}/res)
# The texts that name the version, made from project()'s.
set(res_out ${CMAKE_BINARY_DIR}/res)
foreach(text ${BRUNOVELT_APP_ID}.metainfo.xml brunovelt.1 changelog)
    configure_file(${res_dir}/${text}.in ${res_out}/${text} @ONLY)
endforeach()

install(FILES ${res_dir}/${BRUNOVELT_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${res_out}/${BRUNOVELT_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${res_dir}/icons/brunovelt-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${BRUNOVELT_APP_ID}.png)
endforeach()
install(FILES ${res_dir}/icons/brunovelt.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${BRUNOVELT_APP_ID}.svg)

# The manual page and the changelog, compressed as Debian keeps them: best compression, no name
# or time stamp in the header, so that the same text gives the same bytes.
find_program(BRUNOVELT_GZIP gzip REQUIRED)
function(brunovelt_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${BRUNOVELT_GZIP} -9nc ${source} > ${output}
        DEPENDS ${source}
        COMMENT "Compressing ${source}")
endfunction()
brunovelt_gzip(${res_out}/brunovelt.1 ${CMAKE_BINARY_DIR}/brunovelt.1.gz)
brunovelt_gzip(${res_out}/changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_target(compressed_docs ALL
    DEPENDS ${CMAKE_BINARY_DIR}/brunovelt.1.gz ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/brunovelt.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's places and names for the license and the changelog.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/brunovelt)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${doc_dir} RENAME copyright)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${doc_dir})
