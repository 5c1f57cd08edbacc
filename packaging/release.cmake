# What every package of the demo says of its release, the Debian package
# and the Windows download alike:
#
#   BLOBS_COPYRIGHT       the year and holders of LICENSE's copyright line
#   BLOBS_AUTHORS         the holders alone
#   license               LICENSE's whole text
#   BLOBS_RELEASE_EPOCH   the date of the changelog's latest entry, in seconds
#                         since 1970, which the packages' files and archives
#                         carry instead of the time they were made

file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "Copyright \\(c\\) (([0-9]+) ([^\n]+))")
  message(FATAL_ERROR "blobs: LICENSE has no copyright line")
endif()
set(BLOBS_COPYRIGHT "${CMAKE_MATCH_1}")
set(BLOBS_AUTHORS "${CMAKE_MATCH_3}")

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog.in signature REGEX "^ -- " LIMIT_COUNT 1)
if(NOT signature MATCHES "  ([^ ].*)$")
  message(FATAL_ERROR "blobs: the changelog's latest entry has no date")
endif()
execute_process(COMMAND date -u -d "${CMAKE_MATCH_1}" +%s
                OUTPUT_VARIABLE BLOBS_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "blobs: date cannot read the changelog's date '${CMAKE_MATCH_1}'")
endif()
