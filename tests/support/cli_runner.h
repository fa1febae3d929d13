// Runs the real tolvane-cli program with given arguments and standard input, detached from any terminal
// or with a pseudo-terminal where a test plays the user.
#pragma once

#include <chrono>
#include <functional>
#include <sys/types.h>
#include <string>
#include <vector>

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::string terminal; // what the program wrote to its pseudo-terminal, if it had one
    bool killed = false;  // ended by the test's SIGKILL (it was still running then)
    std::chrono::microseconds ran{0};

    std::string output() const { return out + err; }
};

// Where and as whom the program runs: its current folder (empty: the test's), and a user id other than
// root's (0: the test's own) for the program to take before it starts.
struct CliPlace {
    std::string folder;
    unsigned asUser = 0;
};

// Why the tests cannot run tolvane-cli as the given user (they do not run as root, or the temporary folder
// is closed to that user); empty when they can. Such runs start a copy of the program in a temporary
// folder, so the build tree need not be open to the user.
std::string WhyCliCannotRunAs(unsigned user);

// Standard input from the given text; no controlling terminal; stdout and stderr captured.
CliRun RunCli(const std::vector<std::string>& arguments, const std::string& input);
CliRun RunCliAt(const CliPlace& place, const std::vector<std::string>& arguments, const std::string& input);
// As RunCliAt, the program started by /bin/sh after the shell commands of setup, as a user's shell starts
// it after "ulimit -n 5" or "exec <&-".
CliRun RunCliAfterShell(const CliPlace& place, const std::string& setup, const std::vector<std::string>& arguments,
                        const std::string& input);

// As RunCli, and meanwhile(pid) is called as soon as the engine's temporary output appears in
// watchedFolder; RunCliInterrupted sends a signal then.
CliRun RunCliMeanwhile(const std::vector<std::string>& arguments, const std::string& input,
                       const std::string& watchedFolder, const std::function<void(pid_t)>& meanwhile);
CliRun RunCliInterrupted(const std::vector<std::string>& arguments, const std::string& input,
                         const std::string& watchedFolder, int signalNumber);

// As RunCli, and a SIGKILL after killAfter unless the program ended before, as a power cut or a killed
// task would end it.
CliRun RunCliKilledAfter(const std::vector<std::string>& arguments, const std::string& input,
                         std::chrono::microseconds killAfter);

// stderr on a pseudo-terminal 100 columns wide (stdin and stdout as in RunCli).
CliRun RunCliWithTerminalStderr(const std::vector<std::string>& arguments, const std::string& input);

// The pseudo-terminal is the controlling terminal (for the password prompt); stdin is empty. Each time the
// terminal shows a prompt, answer(prompt text seen so far) gives the line to type.
CliRun RunCliWithPromptTerminal(const std::vector<std::string>& arguments, const std::vector<std::string>& answers);
