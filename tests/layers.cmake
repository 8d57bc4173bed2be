# The layers hold in the build: a file of a layer that includes a header of a layer above it
# (or of a front end) does not compile, and one that includes a lower layer's does. Each case
# is a probe source compiled as part of its layer, built on its own by the test.
set(_layer_cases
    # layer   target     header                           compiles
    "chp      chp_chp    app/import_dialog.hpp            no"
    "chp      chp_chp    cli/cli.hpp                      no"
    "chp      chp_chp    res/resource_ids.h               no"
    "base     chp_base   audio/voc_decoder.hpp            no"
    "audio    chp_audio  chp/chp_file.hpp                 no"
    "project  chp_project report/report_writer.hpp        no"
    "report   chp_report app/dialog_ops.hpp               no"
    "cli      chpcli     app/import_dialog.hpp            no"
    "cli      chpcli     res/resource_ids.h               no"
    "chp      chp_chp    audio/voc_decoder.hpp            yes"
    "report   chp_report project/project_importer.hpp     yes"
    "cli      chpcli     report/report_writer.hpp         yes")
set(_probes ${CMAKE_CURRENT_BINARY_DIR}/layer_probes)
foreach(_case IN LISTS _layer_cases)
    string(REGEX REPLACE " +" ";" _case "${_case}")
    list(GET _case 0 _layer)
    list(GET _case 1 _target)
    list(GET _case 2 _header)
    list(GET _case 3 _compiles)
    string(MAKE_C_IDENTIFIER "${_layer}_${_header}" _name)
    file(WRITE ${_probes}/${_name}.cpp "#include \"${_header}\"\n")
    add_library(probe_${_name} OBJECT EXCLUDE_FROM_ALL ${_probes}/${_name}.cpp)
    target_link_libraries(probe_${_name} PRIVATE ${_target})
    set(_test "Layers.${_layer}_includes_${_header}")
    add_test(NAME ${_test}
             COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target probe_${_name})
    # One build at a time in the build folder.
    set_tests_properties(${_test} PROPERTIES RUN_SERIAL TRUE)
    if(_compiles STREQUAL "no")
        # Refused for the right reason: the header is not there, not some other error.
        set_tests_properties(${_test} PROPERTIES
            PASS_REGULAR_EXPRESSION "${_header}: No such file or directory")
    endif()
endforeach()
