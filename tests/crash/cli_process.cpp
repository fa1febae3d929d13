// Starting, killing and reaping tolvane-cli for the crash and disk-full tests (see cli_process.h).
#include "cli_process.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef TOLVANE_CLI_PATH
#error "TOLVANE_CLI_PATH must name the tolvane-cli program"
#endif

namespace crash_test {

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string OutputFilePath() {
    const char* base = std::getenv("TMPDIR");
    return std::string(base != nullptr && *base != 0 ? base : "/tmp") + "/tolvane-crash-output-" +
           std::to_string(::getpid()) + ".txt";
}

} // namespace

CliEnd RunCli(const std::vector<std::string>& arguments, const std::string& input,
              std::chrono::microseconds killAfter) {
    // A child that dies before reading its input must not take the test with it.
    std::signal(SIGPIPE, SIG_IGN);
    CliEnd end;
    std::vector<std::string> words{TOLVANE_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const std::string outputPath = OutputFilePath();
    const int output = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int inputPipe[2] = {-1, -1};
    if (output < 0 || ::pipe2(inputPipe, O_CLOEXEC) != 0) {
        end.output = "cannot set up the child's streams";
        return end;
    }

    const auto started = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(inputPipe[0], 0);
        ::dup2(output, 1);
        ::dup2(output, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(inputPipe[0]);
    ::close(output);
    if (child < 0) {
        ::close(inputPipe[1]);
        end.output = "fork failed";
        return end;
    }
    [[maybe_unused]] const ssize_t written = ::write(inputPipe[1], input.data(), input.size());
    ::close(inputPipe[1]);

    int status = 0;
    if (killAfter.count() > 0) {
        std::this_thread::sleep_until(started + killAfter);
        if (::waitpid(child, &status, WNOHANG) == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
    } else {
        ::waitpid(child, &status, 0);
    }
    end.ran = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    end.output = ReadAll(outputPath);
    ::unlink(outputPath.c_str());
    return end;
}

} // namespace crash_test
