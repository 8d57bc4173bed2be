# Read by CPack once per generator: the .deb installs under /usr, the tarball unpacks to
# bin/ and share/ in its top folder.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
