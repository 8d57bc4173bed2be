# The core's layers, one static library each: chp_<layer>, holding the sources of <layer>/.
# A layer links the one below it and sees, through the include paths, only its own headers
# and those of the layers below: each gets a folder of its own in the build holding a link
# to its source folder (and to the extra folders it may read), so that an include that
# runs back up (chp/ including app/...) names a file that is not there and fails to compile.
# A front end above the core makes its library itself and names it as TARGET.
#   chpimport_layer(NAME [TARGET target] [BELOW layer] [EXTRA folder...])
function(chpimport_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "TARGET;BELOW" "EXTRA")
    set(target chp_${name})
    if(arg_TARGET)
        set(target ${arg_TARGET})
    else()
        add_library(${target} STATIC)
    endif()
    set(view ${CMAKE_BINARY_DIR}/layers/${name})
    file(MAKE_DIRECTORY ${view})
    foreach(folder ${name} ${arg_EXTRA})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(${target} PUBLIC ${view})
    if(arg_BELOW)
        target_link_libraries(${target} PUBLIC chp_${arg_BELOW})
    endif()
endfunction()
