# Runs one analyser script and compares what the analyser printed with the
# expected output. With a .stderr file beside the script the analyser must
# print exactly that on standard error and end with status 2, or with the
# status that STATUS gives; otherwise it must end with status 0 and print
# nothing there.
#   -DTOOL=<analyser> -DSCRIPT=<x.script> -DEXPECTED=<x.expected> -DACTUAL=<file>
#   [-DSTDERR=<x.stderr> [-DSTATUS=<n>]] [-DEMULATOR=<command that runs the analyser>]
execute_process(COMMAND ${EMULATOR} ${TOOL} ${SCRIPT}
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
file(WRITE ${ACTUAL} "${output}")
set(wanted_status 0)
set(wanted_errors "")
if(DEFINED STDERR)
  set(wanted_status 2)
  file(READ ${STDERR} wanted_errors)
endif()
if(DEFINED STATUS)
  set(wanted_status ${STATUS})
endif()
file(READ ${EXPECTED} wanted_output)
if(NOT output STREQUAL wanted_output)
  execute_process(COMMAND diff -u ${EXPECTED} ${ACTUAL} OUTPUT_VARIABLE difference)
  message(FATAL_ERROR "output differs from ${EXPECTED}:\n${difference}")
endif()
if(NOT status STREQUAL wanted_status)
  message(FATAL_ERROR "exit status ${status}, expected ${wanted_status}; standard error:\n${errors}")
endif()
if(NOT errors STREQUAL wanted_errors)
  message(FATAL_ERROR "standard error was:\n${errors}\nexpected:\n${wanted_errors}")
endif()
