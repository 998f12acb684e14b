# cmake -DCHMCMD=... -DPROJECT=dir/QUARN.hhp -DOUTPUT=path/QUARN.chm -P CompileHelp.cmake
#
# Runs chmcmd on the project and puts the help file at OUTPUT. chmcmd exits with 0 even when it
# reports errors (a missing file, an anchor that no page defines), so its messages decide: any
# "Error" fails the build, and the old help file stays as it was.
get_filename_component(project_dir ${PROJECT} DIRECTORY)
get_filename_component(project_name ${PROJECT} NAME)
file(STRINGS ${PROJECT} compiled_line REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=" "" compiled_name "${compiled_line}")
file(REMOVE ${project_dir}/${compiled_name})

execute_process(COMMAND ${CHMCMD} ${project_name}
    WORKING_DIRECTORY ${project_dir}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR output MATCHES "Error" OR NOT EXISTS ${project_dir}/${compiled_name})
    message(FATAL_ERROR "chmcmd could not compile ${PROJECT}:\n${output}")
endif()
file(COPY_FILE ${project_dir}/${compiled_name} ${OUTPUT})
