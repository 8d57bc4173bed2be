# Run by CPack after staging, before each Windows package is made: signs the programs, so
# that the zip and the installer carry the same signed executables (see sign.cmake).
include("${CMAKE_CURRENT_LIST_DIR}/sign.cmake")
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
foreach(program IN LISTS programs)
    chpimport_sign("${program}")
endforeach()
