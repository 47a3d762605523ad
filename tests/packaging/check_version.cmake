# A tool answers --version with its name and the project version, and exits 0.
#   -DTOOL=<program> -DNAME=<name it prints> -DVERSION=<project version>
#   [-DEMULATOR=<emulator of a cross build>]
execute_process(COMMAND ${EMULATOR} ${TOOL} --version RESULT_VARIABLE status OUTPUT_VARIABLE output
                ERROR_VARIABLE errors)
set(expected "${NAME} (lineio) ${VERSION}\n")
if(NOT status EQUAL 0 OR NOT output STREQUAL expected OR NOT errors STREQUAL "")
  message(FATAL_ERROR "${TOOL} --version: status ${status}, printed\n${output}${errors}\nexpected ${expected}")
endif()
