// Runs the registered benchmarks interleaved over several repetitions and closes with a table that
// sets each benchmark (median and best run) against the baseline of its group, measured in the same run.
#pragma once

// Reads Google Benchmark's flags, which override the defaults (10 repetitions, random interleaving).
// Called before a bench lays out its sample files, so that --help (which ends the process here) leaves
// nothing behind. False when an argument is not understood.
bool InitializeBenchmarks(int argc, char** argv);

// A group is the name part before the first '/': "encrypt/aesni" is compared with "encrypt/<baseline>",
// or with "<baseline>" itself when no benchmark of the group carries that name.
int RunBenchmarksWithRatios(const char* baseline);
