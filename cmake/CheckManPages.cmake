# Renders each man page of PAGES ("|"-separated) with `man --warnings` at 80 columns; fails on any warning, and on a
# title line that does not name "Larkspire Indexer VERSION".
string(REPLACE "|" ";" pages "${PAGES}")
foreach(page IN LISTS pages)
  file(STRINGS ${page} title LIMIT_COUNT 1)
  if(NOT title MATCHES "\"Larkspire Indexer ${VERSION}\"")
    message(FATAL_ERROR "${page}: the title line does not name version ${VERSION}: ${title}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 ${MAN} --warnings -l ${page}
    RESULT_VARIABLE result OUTPUT_VARIABLE rendered ERROR_VARIABLE warnings)
  if(NOT result EQUAL 0 OR NOT warnings STREQUAL "" OR rendered STREQUAL "")
    message(FATAL_ERROR "${page}: status ${result}\n${warnings}")
  endif()
  message(STATUS "${page}: rendered without warnings")
endforeach()
