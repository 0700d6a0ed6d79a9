# cmake -DVERSION=x.y -DROOT=<source folder> -P CheckVersions.cmake
# The project's version must be the Debian package's and the newest release of each metainfo
# file, so that --version, the software centre and the package manager tell the same.
file(STRINGS ${ROOT}/debian/changelog first LIMIT_COUNT 1)
string(REGEX MATCH "\\(([^)]+)\\)" _ "${first}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "debian/changelog is at ${CMAKE_MATCH_1}, the project at ${VERSION}")
endif()
foreach(metainfo audrel/ui/desktop/org.brakmo.Audrel.metainfo.xml
                 orlisk/data/org.brakmo.Orlisk.metainfo.xml)
  file(READ ${ROOT}/${metainfo} text)
  string(REGEX MATCH "<release version=\"([^\"]+)\" date=\"[0-9-]+\"" _ "${text}")
  if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "${metainfo}: newest release '${CMAKE_MATCH_1}', the project ${VERSION}")
  endif()
endforeach()
message(STATUS "version ${VERSION} everywhere")
