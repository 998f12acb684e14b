# brunovelt_cp932_sources(TARGET NAME.cpp.in...) compiles each NAME.cpp.in, a UTF-8 source, into
# TARGET as build/.../NAME.cpp with its string literals in code page 932 (cp932_literals). The
# program's texts are code page 932 bytes; this way they are written once, as they read.
function(brunovelt_cp932_sources target)
    foreach(source IN LISTS ARGN)
        string(REGEX REPLACE "\\.in$" "" generated "${source}")
        set(generated "${CMAKE_CURRENT_BINARY_DIR}/${generated}")
        add_custom_command(
            OUTPUT "${generated}"
            COMMAND cp932_literals "${CMAKE_CURRENT_SOURCE_DIR}/${source}" "${generated}"
            DEPENDS cp932_literals "${CMAKE_CURRENT_SOURCE_DIR}/${source}"
            COMMENT "Writing the texts of ${source} in code page 932"
            VERBATIM)
        target_sources(${target} PRIVATE "${generated}")
    endforeach()
endfunction()
