# For scripts run with cmake -P: run(<command> <args>...) runs a command, ends
# the script with the command, its output and its errors when it fails, and
# leaves its standard output in `output`.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(failed)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()
