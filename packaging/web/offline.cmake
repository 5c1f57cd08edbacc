# Writes the site's service worker, sw.js, from its template: the files it
# keeps for a visit without a network, the SHA-256 of each, by which it
# tells this build's files from another's, and the build's name, made from
# the contents of every other file of the site, so that a change to any of
# them makes a new name. Run at build time, once the program is linked:
#
#   cmake -DSITE=DIR -DTEMPLATE=sw.js.in -DFILES="index.html;..." -P offline.cmake
#
# The name is the first 16 hex digits of the SHA-256 of a list of each
# file's name and SHA-256, in the order of their names.

file(GLOB named RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM named sw.js)
list(SORT named)
set(digests "")
foreach(file IN LISTS named)
  file(SHA256 ${SITE}/${file} digest)
  string(APPEND digests "${file} ${digest}\n")
endforeach()
string(SHA256 build "${digests}")
string(SUBSTRING ${build} 0 16 build)
set(BLOBS_BUILD ${build})

set(quoted "")
set(sums "")
foreach(file IN LISTS FILES)
  if(NOT EXISTS ${SITE}/${file})
    message(FATAL_ERROR "offline.cmake: ${SITE}/${file}, to be kept, is missing")
  endif()
  list(APPEND quoted "'${file}'")
  file(SHA256 ${SITE}/${file} digest)
  list(APPEND sums "'${digest}'")
endforeach()
list(JOIN quoted ", " BLOBS_FILES)
list(JOIN sums ",\n  " BLOBS_SHA256)
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
