# The man pages render without a warning, through groff and through man.
#   -DPAGES=<page>|<page>|... -DGROFF=<groff> -DMAN=<man>
if(NOT GROFF OR NOT MAN)
  message(STATUS "man pages not checked: groff (groff-base) or man (man-db) is missing")
  return()
endif()
string(REPLACE "|" ";" pages "${PAGES}")
set(problems "")
foreach(page IN LISTS pages)
  execute_process(COMMAND ${GROFF} -man -ww -z ${page}
                  RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    string(APPEND problems "groff -man -ww -z ${page} (status ${status}):\n${warnings}\n")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 MANPAGER=cat PAGER=cat
                          ${MAN} --warnings -l ${page}
                  RESULT_VARIABLE status OUTPUT_VARIABLE rendered ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR rendered STREQUAL "")
    string(APPEND problems "man --warnings -l ${page} (status ${status}):\n${warnings}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
message(STATUS "man pages render cleanly: ${PAGES}")
