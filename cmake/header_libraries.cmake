# The header-only libraries of the command line: CLI11 (argument parsing) and nlohmann-json
# (--json). Natively their Debian packages' CMake files find them. The Windows build must not
# see the host's /usr/include as a whole (its C library headers would shadow mingw-w64's), so
# it gets a folder that holds just these two header trees, linked from the host.
if(NOT CMAKE_CROSSCOMPILING)
    include(${CMAKE_CURRENT_LIST_DIR}/require_package.cmake)
    chpimport_require_package(CLI11 libcli11-dev CONFIG)
    chpimport_require_package(nlohmann_json nlohmann-json3-dev 3 CONFIG)
    return()
endif()

set(_host_headers ${CMAKE_BINARY_DIR}/host-headers)
foreach(_header CLI/CLI.hpp nlohmann/json.hpp)
    get_filename_component(_tree ${_header} DIRECTORY)
    find_path(_root_${_tree} ${_header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT _root_${_tree})
        message(FATAL_ERROR "/usr/include/${_header} is missing: it comes with the Debian packages "
                            "libcli11-dev and nlohmann-json3-dev; as root, .ci/install-deps installs them")
    endif()
    file(MAKE_DIRECTORY ${_host_headers})
    file(CREATE_LINK ${_root_${_tree}}/${_tree} ${_host_headers}/${_tree} SYMBOLIC)
endforeach()

add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${_host_headers})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${_host_headers})
