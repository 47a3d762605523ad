# Runs one harness for a bounded number of executions, as a ctest test:
#   cmake -DFUZZER=<harness> -DSEEDS=<seed folder> -DWORK=<folder> -DRUNS=<n> -P run_fuzzer.cmake
# The corpus libFuzzer writes to is a fresh empty folder under WORK; the
# checked-in seeds are read as a second corpus and never written. A crash,
# a sanitizer report or a broken property leaves its input in WORK/artifacts
# and fails the test. The random seed is fixed, so a failure repeats.
foreach(variable IN ITEMS FUZZER SEEDS WORK RUNS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_fuzzer.cmake needs -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK}/corpus)
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
execute_process(
  COMMAND ${FUZZER} -runs=${RUNS} -seed=1 -timeout=30 -print_final_stats=1
          -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus ${SEEDS}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${status}): the input is in ${WORK}/artifacts")
endif()
