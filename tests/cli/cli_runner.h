// Runs the real tolvane-cli program with given arguments and standard input, detached from any terminal
// or with a pseudo-terminal where a test plays the user.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::string terminal; // what the program wrote to its pseudo-terminal, if it had one
};

// Standard input from the given text; no controlling terminal; stdout and stderr captured.
CliRun RunCli(const std::vector<std::string>& arguments, const std::string& input);

// stderr on a pseudo-terminal 100 columns wide (stdin and stdout as in RunCli).
CliRun RunCliWithTerminalStderr(const std::vector<std::string>& arguments, const std::string& input);

// The pseudo-terminal is the controlling terminal (for the password prompt); stdin is empty. Each time the
// terminal shows a prompt, answer(prompt text seen so far) gives the line to type.
CliRun RunCliWithPromptTerminal(const std::vector<std::string>& arguments, const std::vector<std::string>& answers);
