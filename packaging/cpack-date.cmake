# Read by CPack before it makes the package (CPACK_PROJECT_CONFIG_FILE).
#
# CPack's DEB generator stamps every file, every tar member and the ar
# archive with SOURCE_DATE_EPOCH when that is in its environment, and with
# the time the package is made otherwise. Without a date from the caller,
# the package takes the date of its latest changelog entry, so the same
# sources give the same package at any time.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_BLOBS_RELEASE_EPOCH}")
endif()
