# One run of the host program: HOST against LIBRARY in MODE (shipped or
# simulated), in the current directory, through EMULATOR when it is set.
# Passes when the host exits 0, its last line is "N passed, 0 failed", and its
# transform results equal, byte for byte, those that REFERENCE computes with
# the static library.
#
# With -DMISDECLARED=ON the host also calls an export declared with a wrong
# argument size, and the run passes when the stack check, and nothing else,
# failed it.
foreach(var HOST LIBRARY MODE REFERENCE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_host.cmake needs -D${var}=...")
  endif()
endforeach()

execute_process(COMMAND ${EMULATOR} ${REFERENCE} fft-reference.bin RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the transform reference failed (${status})")
endif()

set(options "")
if(MISDECLARED)
  set(options --misdeclared)
endif()
execute_process(COMMAND ${EMULATOR} ${HOST} ${options} ${LIBRARY} ${MODE} fft-host.bin
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
message("${output}${errors}")
string(REGEX MATCH "[^\n]*\n?$" last_line "${output}")
string(STRIP "${last_line}" last_line)

if(MISDECLARED)
  string(REGEX MATCHALL "FAIL: [^\n]*" failures "${output}")
  set(wanted_failures
    "FAIL: misdeclaredTest2 removed 4 bytes of arguments, its declaration 8"
    "FAIL: every export removed exactly its arguments \\([0-9]+ calls, 1 wrong\\)")
  list(LENGTH failures count)
  list(GET wanted_failures 0 first)
  list(GET wanted_failures 1 second)
  if(NOT status EQUAL 1 OR NOT count EQUAL 2 OR NOT last_line MATCHES "^[0-9]+ passed, 1 failed$")
    message(FATAL_ERROR "the misdeclared export did not fail the run as the stack check alone "
                        "(exit ${status}, last line \"${last_line}\")")
  endif()
  list(GET failures 0 got_first)
  list(GET failures 1 got_second)
  if(NOT got_first STREQUAL first OR NOT got_second MATCHES "^${second}$")
    message(FATAL_ERROR "unexpected failures: ${failures}")
  endif()
  message(STATUS "the stack check failed the run on the misdeclared export, and on nothing else")
  return()
endif()

if(NOT status EQUAL 0 OR NOT last_line MATCHES "^[0-9]+ passed, 0 failed$")
  message(FATAL_ERROR "the host run against ${LIBRARY} failed (exit ${status}, last line \"${last_line}\")")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files fft-reference.bin fft-host.bin
  RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the transform results through ${LIBRARY} differ from the reference")
endif()
message(STATUS "${last_line}; transform results equal the reference")
