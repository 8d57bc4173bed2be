# chpimport_sign(FILE): signs FILE (an .exe or .msi) in place with osslsigncode, Authenticode
# SHA-256, when the package is built with a certificate (-DCHPIMPORT_SIGN_CERT=cert.pem
# -DCHPIMPORT_SIGN_KEY=key.pem, optionally -DCHPIMPORT_SIGN_TIMESTAMP=URL); otherwise leaves it
# unsigned. Runs inside CPack, which hands the settings over as CPACK_CHPIMPORT_SIGN_*.
function(chpimport_sign file)
    if(NOT CPACK_CHPIMPORT_SIGN_CERT)
        return()
    endif()
    if(NOT CPACK_CHPIMPORT_SIGN_KEY)
        message(FATAL_ERROR "signing: CHPIMPORT_SIGN_CERT is set, CHPIMPORT_SIGN_KEY is not")
    endif()
    set(args sign -h sha256 -certs "${CPACK_CHPIMPORT_SIGN_CERT}" -key "${CPACK_CHPIMPORT_SIGN_KEY}"
             -n "chpimport" -i "${CPACK_CHPIMPORT_HELP_URL}")
    if(CPACK_CHPIMPORT_SIGN_TIMESTAMP)
        list(APPEND args -ts "${CPACK_CHPIMPORT_SIGN_TIMESTAMP}")
    endif()
    file(REMOVE "${file}.signed")
    execute_process(COMMAND "${CPACK_CHPIMPORT_OSSLSIGNCODE}" ${args} -in "${file}" -out "${file}.signed"
                    RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(failed)
        message(FATAL_ERROR "osslsigncode could not sign ${file}:\n${output}")
    endif()
    file(RENAME "${file}.signed" "${file}")
endfunction()
