# The downloads that are zips, the Windows program's and the web site's:
# `cpack -G ZIP` packs what the build installs in its component blobs into
# blobs-<version>-<BLOBS_ZIP_PLATFORM>.zip, all in one folder of that name.
# The same sources make the same zip, byte for byte, at any time and under
# any umask: its dates are the changelog's unless SOURCE_DATE_EPOCH is set,
# and every file and folder has a mode of its own.

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME blobs)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME blobs-${PROJECT_VERSION}-${BLOBS_ZIP_PLATFORM})
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${BLOBS_COMPONENT};/")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_BLOBS_RELEASE_EPOCH ${BLOBS_RELEASE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cpack-date.cmake)
include(CPack)
