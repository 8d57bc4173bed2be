# Read by CPack once per generator: the .deb installs under /usr, the tarball unpacks to
# bin/ and share/ in its top folder.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
# Windows' strip writes the time it runs into each program's header, unless told a time: the
# same one for the zip and the installer, so that both hold the same bytes.
if(CPACK_CHPIMPORT_SOURCE_DATE_EPOCH AND NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} ${CPACK_CHPIMPORT_SOURCE_DATE_EPOCH})
endif()
