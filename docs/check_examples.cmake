# The analyser listings of the reference pages are what the bus analyser
# prints: each examples/<board>/<name>.script runs through
# lineio-trace-<board>, which must print <name>.expected, and the pages must
# show both the script and that output, exactly.
#   -DKESTREL=<lineio-trace-kestrel> -DMERLIN=<lineio-trace-merlin> -DDOCS=<docs folder>
#   [-DEMULATOR=<command that runs the analysers, in a cross build>]
file(GLOB pages ${DOCS}/*.md)
set(reference "")
foreach(page IN LISTS pages)
  file(READ ${page} text)
  string(APPEND reference "${text}")
endforeach()

set(problems "")
set(count 0)
foreach(board IN ITEMS kestrel merlin)
  string(TOUPPER ${board} tool)
  file(GLOB scripts ${DOCS}/examples/${board}/*.script)
  foreach(script IN LISTS scripts)
    string(REGEX REPLACE "\\.script$" ".expected" expected_file "${script}")
    execute_process(COMMAND ${EMULATOR} ${${tool}} ${script} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE errors)
    file(READ ${script} script_text)
    file(READ ${expected_file} expected)
    if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
      string(APPEND problems "${script}: status ${status}\n${errors}\n")
    elseif(NOT output STREQUAL expected)
      string(APPEND problems "${script}: the analyser no longer prints ${expected_file}:\n${output}\n")
    endif()
    string(FIND "${reference}" "${script_text}" script_at)
    string(FIND "${reference}" "${expected}" output_at)
    if(script_at EQUAL -1 OR output_at EQUAL -1)
      string(APPEND problems "${script}: the reference pages do not show the script and its output\n")
    endif()
    math(EXPR count "${count} + 1")
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
if(count EQUAL 0)
  message(FATAL_ERROR "no example scripts in ${DOCS}/examples")
endif()
message(STATUS "${count} analyser listings match")
