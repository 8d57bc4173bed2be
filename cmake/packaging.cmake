# What `cmake --install` puts where, and the packages `--target package` writes:
#   Linux:   chpimport-VERSION-Linux-x86_64.deb and .tar.gz (bin/, share/man, share/doc...)
#   Windows: chpimport-VERSION-win64.zip, everything in its top folder, and
#            chpimport-VERSION-win64.msi, the installer (app/win/installer/)
#   browser: chpimport-VERSION-web.zip, the page and the licence
# The version is the project's, the one CHPIMPORT_VERSION gives the programs.

# Whoever publishes the package sets their own name and address here.
set(CHPIMPORT_MAINTAINER "chpimport developers <chpimport@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

if(EMSCRIPTEN)
    # The page is the whole program: open it from the unzipped folder or put it on any server.
    install(FILES ${CMAKE_BINARY_DIR}/chpimport.html ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME chpimport-${PROJECT_VERSION}-web)
elseif(WIN32)
    # A folder to unzip anywhere: both programs, the texts as Windows shows them, the demo.
    install(TARGETS chpimport ChpImportDialog RUNTIME DESTINATION .)
    # README.txt and LICENSE.txt with CR LF, so that Notepad of any age shows their lines.
    configure_file(${PROJECT_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
    configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    configure_file(${PROJECT_SOURCE_DIR}/res/help.txt ${CMAKE_BINARY_DIR}/HELP.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt
                  ${CMAKE_BINARY_DIR}/HELP.txt DESTINATION .)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/demo/ DESTINATION demo)
    set(CPACK_PACKAGE_FILE_NAME chpimport-${PROJECT_VERSION}-win64)

    # The installer: CPack stages the same tree, app/win/installer/make_msi.cmake makes the .msi.
    find_program(CHPIMPORT_WIXL wixl)
    find_program(CHPIMPORT_MSIBUILD msibuild)
    if(CHPIMPORT_WIXL AND CHPIMPORT_MSIBUILD)
        set(CPACK_GENERATOR "ZIP;External")
        set(CPACK_EXTERNAL_ENABLE_STAGING ON)
        set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/app/win/installer/make_msi.cmake)
    else()
        message(STATUS "wixl or msibuild (Debian: wixl, msitools) not found: no .msi, only the zip")
        set(CPACK_GENERATOR ZIP)
    endif()
    set(CPACK_CHPIMPORT_WIXL ${CHPIMPORT_WIXL})
    set(CPACK_CHPIMPORT_MSIBUILD ${CHPIMPORT_MSIBUILD})
    set(CPACK_CHPIMPORT_WXS ${PROJECT_SOURCE_DIR}/app/win/installer/chpimport.wxs)
    set(CPACK_CHPIMPORT_ICON ${PROJECT_SOURCE_DIR}/res/chpimport.ico)
    set(CPACK_CHPIMPORT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
    set(CHPIMPORT_HELP_URL "https://example.org/chpimport" CACHE STRING
        "Help and support address the installer shows in Apps & features")
    set(CPACK_CHPIMPORT_HELP_URL ${CHPIMPORT_HELP_URL})

    # Signing (cmake/sign.cmake): both programs and the .msi, when a certificate is given.
    set(CHPIMPORT_SIGN_CERT "" CACHE FILEPATH "Authenticode certificate (PEM) to sign the Windows packages with")
    set(CHPIMPORT_SIGN_KEY "" CACHE FILEPATH "The certificate's private key (PEM)")
    set(CHPIMPORT_SIGN_TIMESTAMP "" CACHE STRING "RFC 3161 time-stamp server for the signatures")
    if(CHPIMPORT_SIGN_CERT)
        find_program(CHPIMPORT_OSSLSIGNCODE osslsigncode REQUIRED)
    endif()
    set(CPACK_CHPIMPORT_SIGN_CERT ${CHPIMPORT_SIGN_CERT})
    set(CPACK_CHPIMPORT_SIGN_KEY ${CHPIMPORT_SIGN_KEY})
    set(CPACK_CHPIMPORT_SIGN_TIMESTAMP ${CHPIMPORT_SIGN_TIMESTAMP})
    set(CPACK_CHPIMPORT_OSSLSIGNCODE ${CHPIMPORT_OSSLSIGNCODE})
    set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/sign_programs.cmake)

    # The programs' time stamp: the last commit's time (or the project file's, out of git).
    execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE CPACK_CHPIMPORT_SOURCE_DATE_EPOCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE no_git)
    if(no_git OR NOT CPACK_CHPIMPORT_SOURCE_DATE_EPOCH)
        file(TIMESTAMP ${PROJECT_SOURCE_DIR}/CMakeLists.txt CPACK_CHPIMPORT_SOURCE_DATE_EPOCH "%s" UTC)
    endif()
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_per_generator.cmake)
else()
    include(GNUInstallDirs)
    install(TARGETS chpimport RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    configure_file(${PROJECT_SOURCE_DIR}/docs/chpimport.1.in ${CMAKE_BINARY_DIR}/chpimport.1 @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/chpimport.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PROJECT_SOURCE_DIR}/cli/chpimport.bash-completion
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME chpimport)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/demo/
            DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/demo)

    set(CPACK_GENERATOR "DEB;TGZ")
    set(CPACK_PACKAGE_FILE_NAME chpimport-${PROJECT_VERSION}-Linux-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_DEBIAN_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}.deb)
    set(CPACK_DEBIAN_PACKAGE_SECTION sound)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CHPIMPORT_MAINTAINER})
    # Depends from the shared libraries the binary links (dpkg-shlibdeps, from dpkg-dev).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The .deb installs under /usr; the tarball's top folder is the prefix itself.
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_per_generator.cmake)
endif()

set(CPACK_PACKAGE_NAME chpimport)
set(CPACK_PACKAGE_VENDOR "chpimport developers")
set(CPACK_PACKAGE_CONTACT ${CHPIMPORT_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "imports ISD voice-chip (CHP) projects for the Zuvan product")
set(CPACK_PACKAGE_DESCRIPTION
    "chpimport reads an ISD CHP project file and the Creative Voice (.VOC) file of each of its
messages, and writes every message as a 16-bit mono WAV file at 11111 Hz (or 11025 Hz),
cut to the length it occupies in the chip, with the project's .zpf project file, .tbl
table file and debug.bid log for the Zuvan product.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
# Regular expressions, written once more into CPack's own config file: hence the double escape.
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/")
include(CPack)
