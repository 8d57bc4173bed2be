# find_package for a library that comes from a Debian package: when it is missing, the
# configure step stops naming the package and the commands that install it, not CMake's
# generic "could not find a package configuration file".
#   chpimport_require_package(NAME DEBIAN_PACKAGE [find_package arguments...])
function(chpimport_require_package name debian)
    find_package(${name} ${ARGN} QUIET)
    string(TOUPPER ${name} _upper)
    if(NOT ${name}_FOUND AND NOT ${_upper}_FOUND)
        message(FATAL_ERROR
            "${name} is missing: it comes with the Debian package ${debian} "
            "(apt-get install ${debian}). As root, .ci/install-deps --build installs everything "
            "the build needs and .ci/install-deps everything the tests need too.")
    endif()
endfunction()
