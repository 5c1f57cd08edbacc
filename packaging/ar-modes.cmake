# Run by CPack once it has made the package (CPACK_POST_BUILD_SCRIPTS).
#
# A .deb is an ar archive of three members. CPack writes each one's mode
# from the file it made for it, so the packager's umask shows there: 100664
# under umask 002 where 022 gives 100644. This writes 100644 into every
# member header, as dpkg-deb does, and leaves all else as it is. Packages
# of other generators are left alone.
set(debs ${CPACK_PACKAGE_FILES})
list(FILTER debs INCLUDE REGEX "\\.deb$")
foreach(deb IN LISTS debs)
  file(SIZE "${deb}" end)
  # After the 8-byte magic, each member: a 60-byte header (name 16, date 12,
  # owner 6, group 6, mode 8, size 10, end 2), then its size in bytes and a
  # newline when that is odd.
  set(header 8)
  while(header LESS end)
    math(EXPR mode_at "${header} + 40")
    math(EXPR size_at "${header} + 48")
    file(READ "${deb}" size OFFSET ${size_at} LIMIT 10)
    string(STRIP "${size}" size)
    if(NOT size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "blobs: ${deb} has no ar member header at byte ${header}")
    endif()
    execute_process(COMMAND printf "100644  "
                    COMMAND dd "of=${deb}" bs=1 seek=${mode_at} conv=notrunc status=none
                    COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR header "${header} + 60 + ${size} + ${size} % 2")
  endwhile()
endforeach()
