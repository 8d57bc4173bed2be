# What a Windows program of the project carries besides its code: an application manifest,
# the icon (res/chpimport.ico) and a version resource with the project's version.
set(CHPIMPORT_PRODUCT_NAME "chpimport")
set(CHPIMPORT_COPYRIGHT "Copyright (c) 2026 The chpimport developers") # as LICENSE says

# chpimport_windows_program(TARGET DESCRIPTION): TARGET.exe gets the three resources, its
# version resource naming it TARGET.exe and described as DESCRIPTION.
function(chpimport_windows_program target description)
    get_target_property(CHPIMPORT_EXE_NAME ${target} OUTPUT_NAME)
    if(NOT CHPIMPORT_EXE_NAME)
        set(CHPIMPORT_EXE_NAME ${target})
    endif()
    set(CHPIMPORT_EXE_DESCRIPTION "${description}")
    set(CHPIMPORT_RES_DIR "${PROJECT_SOURCE_DIR}/res")
    set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
    set(CHPIMPORT_MANIFEST "${dir}/${CHPIMPORT_EXE_NAME}.exe.manifest")
    configure_file("${CHPIMPORT_RES_DIR}/program.manifest.in" "${CHPIMPORT_MANIFEST}" @ONLY)
    configure_file("${CHPIMPORT_RES_DIR}/program.rc.in" "${dir}/program.rc" @ONLY)
    target_sources(${target} PRIVATE "${dir}/program.rc")
    set_source_files_properties("${dir}/program.rc" PROPERTIES OBJECT_DEPENDS
        "${CHPIMPORT_MANIFEST};${CHPIMPORT_RES_DIR}/chpimport.ico;${CHPIMPORT_RES_DIR}/resource_ids.h")
endfunction()
