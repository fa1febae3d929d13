// Runs the real tolvane-cli as a child process: the password on its standard input, its output in a file,
// and optionally a SIGKILL at a chosen moment, as a power cut or a killed task would end it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace crash_test {

struct CliEnd {
    bool killed = false; // ended by the SIGKILL (it was still running then)
    int exitCode = -1;   // when it ended by itself
    std::string output;  // stdout and stderr, interleaved
    std::chrono::microseconds ran{0};
};

// Starts tolvane-cli with the arguments and input; kills it after killAfter unless it ended before.
// killAfter of zero or less: waits for it to end by itself.
CliEnd RunCli(const std::vector<std::string>& arguments, const std::string& input,
              std::chrono::microseconds killAfter = std::chrono::microseconds(0));

} // namespace crash_test
