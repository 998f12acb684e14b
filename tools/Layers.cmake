# The layers of the program, from the bottom: a library may link libraries of its own layer or of
# one beneath it, never above (folders of one layer are separated by commas). Each library's include path is its own folder, so what it can
# include is what it links; a quoted include with a folder in it would get round that, and is
# refused as well. Checked when the build is configured, so that a wrong link fails at once.
set(brunovelt_layers
    "text"                          # code page 932 text: standard library only
    "engine"                        # the formula engine: standard library only
    "platform/interfaces,sheet"     # the two ports and the sheet's logic over them: standard library only
    "platform,text/qt,help"         # the Qt adapters behind the ports, text as QString; the help
    "sheet/view"                    # the sheet's window
    "app")                          # start-up, document, dialogs, the main window
set(brunovelt_qt_free_layers 3)     # the layers beneath this one do not link Qt

# The layer of a folder under the project (its longest listed prefix), or -1 outside them.
function(brunovelt_layer_of folder out)
    set(best -1)
    set(best_length 0)
    set(index 0)
    foreach(layer IN LISTS brunovelt_layers)
        string(REPLACE "," ";" prefixes "${layer}")
        foreach(prefix IN LISTS prefixes)
            string(LENGTH "${prefix}" length)
            if((folder STREQUAL prefix OR folder MATCHES "^${prefix}/") AND length GREATER best_length)
                set(best ${index})
                set(best_length ${length})
            endif()
        endforeach()
        math(EXPR index "${index} + 1")
    endforeach()
    set(${out} ${best} PARENT_SCOPE)
endfunction()

function(brunovelt_targets_under dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        brunovelt_targets_under(${subdir} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(brunovelt_check_layers)
    brunovelt_targets_under(${PROJECT_SOURCE_DIR} targets)
    set(faults "")
    foreach(target IN LISTS targets)
        get_target_property(dir ${target} SOURCE_DIR)
        file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
        brunovelt_layer_of("${folder}" layer)
        if(layer LESS 0)
            continue() # tests, benchmarks, fuzz targets and the project's own helpers
        endif()
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
        else()
            get_target_property(links ${target} LINK_LIBRARIES)
        endif()
        foreach(link IN LISTS links)
            if(link MATCHES "^Qt6::" AND layer LESS brunovelt_qt_free_layers)
                list(APPEND faults "${target} (${folder}) links ${link}")
            endif()
            if(NOT TARGET ${link})
                continue()
            endif()
            get_target_property(imported ${link} IMPORTED)
            if(imported)
                continue()
            endif()
            get_target_property(link_dir ${link} SOURCE_DIR)
            file(RELATIVE_PATH link_folder ${PROJECT_SOURCE_DIR} ${link_dir})
            brunovelt_layer_of("${link_folder}" link_layer)
            if(link_layer GREATER layer)
                list(APPEND faults "${target} (${folder}) links ${link} (${link_folder}), a layer above it")
            endif()
        endforeach()
    endforeach()

    foreach(layer IN LISTS brunovelt_layers)
        string(REPLACE "," ";" prefixes "${layer}")
        foreach(prefix IN LISTS prefixes)
            file(GLOB_RECURSE sources ${PROJECT_SOURCE_DIR}/${prefix}/*.h ${PROJECT_SOURCE_DIR}/${prefix}/*.cpp
                 ${PROJECT_SOURCE_DIR}/${prefix}/*.cpp.in)
            foreach(source IN LISTS sources)
                file(STRINGS ${source} includes REGEX "^#include \"[^\"]*/")
                if(includes)
                    file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${source})
                    list(APPEND faults "${name}: ${includes}")
                endif()
            endforeach()
        endforeach()
    endforeach()

    if(faults)
        list(REMOVE_DUPLICATES faults)
        list(JOIN faults "\n  " text)
        message(FATAL_ERROR "Layers broken:\n  ${text}")
    endif()
endfunction()
