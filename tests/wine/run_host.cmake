# One native run of the host program: HOST against LIBRARY in MODE (shipped or
# simulated), in the current directory. Passes when the host exits 0, its last
# line is "N passed, 0 failed", and its transform results equal, byte for
# byte, those that REFERENCE computes with the static library.
foreach(var HOST LIBRARY MODE REFERENCE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_host.cmake needs -D${var}=...")
  endif()
endforeach()

execute_process(COMMAND ${REFERENCE} fft-reference.bin RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the transform reference failed (${status})")
endif()

execute_process(COMMAND ${HOST} ${LIBRARY} ${MODE} fft-host.bin
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
message("${output}${errors}")
string(REGEX MATCH "[^\n]*\n?$" last_line "${output}")
string(STRIP "${last_line}" last_line)
if(NOT status EQUAL 0 OR NOT last_line MATCHES "^[0-9]+ passed, 0 failed$")
  message(FATAL_ERROR "the host run against ${LIBRARY} failed (exit ${status}, last line \"${last_line}\")")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files fft-reference.bin fft-host.bin
  RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the transform results through ${LIBRARY} differ from the reference")
endif()
message(STATUS "${last_line}; transform results equal the reference")
