# The fuzz target's test: a fresh seed corpus made by the engine, then a bounded libFuzzer run over it.
# Called as: cmake -DSEEDS=<seed maker> -DFUZZER=<fuzz target> -DWORK=<folder> -DSECONDS=<n> -P run_fuzz.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
execute_process(COMMAND "${SEEDS}" "${WORK}/corpus" RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "the seed corpus could not be made")
endif()
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -max_len=1100000 -timeout=30 -rss_limit_mb=4096
          -print_final_stats=1 "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus"
  RESULT_VARIABLE fuzzed)
if(NOT fuzzed EQUAL 0)
  file(GLOB found "${WORK}/artifacts/*")
  message(FATAL_ERROR "the fuzz target failed (${fuzzed}). The input that broke it: ${found}. "
                      "Fix the fault, then add the input to tests/fuzz/regressions/.")
endif()
