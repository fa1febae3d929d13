// Runs the registered benchmarks interleaved over several repetitions and closes with a table that
// sets each benchmark (median and best run) against the baseline of its group, measured in the same run.
#pragma once

// A group is the name part before the first '/': "encrypt/aesni" is compared with "encrypt/<baseline>",
// or with "<baseline>" itself when no benchmark of the group carries that name. Command-line flags of
// Google Benchmark still apply and override the defaults (10 repetitions, random interleaving).
int RunBenchmarksWithRatios(int argc, char** argv, const char* baseline);
