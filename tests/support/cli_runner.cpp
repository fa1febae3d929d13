// Starting tolvane-cli for the command-line tests: fork and exec, with files or a pseudo-terminal around it.
#include "cli_runner.h"

#include "temp_folder.h"
#include "test_files.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path) {
    return ReadText(path).value_or("");
}

struct CapturedStreams {
    TempFolder folder{"cli-run"};
    std::string in = folder / "in";
    std::string out = folder / "out";
    std::string err = folder / "err";

    explicit CapturedStreams(const std::string& input) { WriteBytes(in, input); }
};

// tolvane-cli copied into a temporary folder that every user may pass through. A run as another user
// starts the copy: the build tree may lie in a folder that only its owner can enter (a clone in /root).
class ReachableCopy {
public:
    ReachableCopy() {
        namespace fs = std::filesystem;
        fs::copy_file(TOLVANE_CLI_PATH, m_program);
        fs::permissions(m_folder.root(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::permissions(m_program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    }
    const std::string& program() const { return m_program; }

private:
    TempFolder m_folder{"cli-copy"};
    std::string m_program = m_folder / "tolvane-cli";
};

// Takes the user's identity for good; false when the system refuses.
bool BecomeUser(unsigned user) {
    return setgroups(0, nullptr) == 0 && setgid(user) == 0 && setuid(user) == 0;
}

enum class TerminalUse { None, Stderr, Controlling };

// The program, or a shell that runs setup first and then becomes the program.
struct Launch {
    std::string program = TOLVANE_CLI_PATH;
    std::string shellSetup;
};

[[noreturn]] void ExecCli(const std::vector<std::string>& arguments, const CapturedStreams& files, TerminalUse use,
                          int terminal, const CliPlace& place = {}, const Launch& launch = {}) {
    setsid();
    const int in = open(use == TerminalUse::Controlling ? "/dev/null" : files.in.c_str(), O_RDONLY);
    const int out = open(files.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = -1;
    if (use == TerminalUse::Stderr) {
        err = terminal;
    } else if (use == TerminalUse::Controlling) {
        ioctl(terminal, TIOCSCTTY, 0);
        err = open(files.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    } else {
        err = open(files.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    // Nothing more stays open in the program than what it was given: a test that limits its descriptors
    // counts on it.
    for (const int extra : {in, out, err}) {
        if (extra > 2) {
            close(extra);
        }
    }
    std::vector<std::string> words;
    if (!launch.shellSetup.empty()) {
        words = {"/bin/sh", "-c", launch.shellSetup + "\nexec \"$0\" \"$@\""};
    }
    words.push_back(launch.program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    if (!place.folder.empty() && chdir(place.folder.c_str()) != 0) {
        _exit(126);
    }
    if (place.asUser != 0 && !BecomeUser(place.asUser)) {
        _exit(126);
    }
    execv(argv.front(), argv.data());
    _exit(127);
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int WaitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return ExitCodeOf(status);
}

// Appends what one read of fd gives; false at its end or on an error.
bool ReadSome(int fd, std::string& seen) {
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) {
        return false;
    }
    seen.append(buffer, static_cast<size_t>(got));
    return true;
}

// Reads the master side until the child has ended, answering prompts as they appear.
std::string PumpTerminal(int master, pid_t child, const std::vector<std::string>& answers) {
    std::string seen;
    size_t answered = 0;
    size_t promptsSeen = 0;
    // A program stuck waiting for input it will never get is ended, so that the test fails instead of hanging.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            break;
        }
        pollfd ready{master, POLLIN, 0};
        if (poll(&ready, 1, 100) > 0) {
            if (!ReadSome(master, seen)) {
                break;
            }
            // Each prompt asks for a password.
            size_t prompts = 0;
            for (size_t at = seen.find("assword: "); at != std::string::npos; at = seen.find("assword: ", at + 1)) {
                ++prompts;
            }
            while (promptsSeen < prompts && answered < answers.size()) {
                const std::string line = answers[answered++] + "\n";
                if (write(master, line.data(), line.size()) < 0) {
                    break;
                }
                ++promptsSeen;
            }
            continue;
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            // Collect what is left, then report the status through a second wait below.
            pollfd rest{master, POLLIN, 0};
            while (poll(&rest, 1, 50) > 0 && ReadSome(master, seen)) {
            }
            seen += "\n#exit=" + std::to_string(ExitCodeOf(status));
            return seen;
        }
    }
    seen += "\n#exit=" + std::to_string(WaitFor(child));
    return seen;
}

CliRun RunWithTerminal(const std::vector<std::string>& arguments, const std::string& input, TerminalUse use,
                       const std::vector<std::string>& answers) {
    CapturedStreams files(input);
    int master = -1;
    int slave = -1;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 100;
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(master);
        ExecCli(arguments, files, use, slave);
    }
    // The slave stays open here until the child is done: a master without any slave reads only errors.
    std::string transcript = PumpTerminal(master, child, answers);
    close(slave);
    close(master);
    CliRun run;
    const size_t mark = transcript.rfind("\n#exit=");
    run.exitCode = std::atoi(transcript.c_str() + mark + 7);
    run.terminal = transcript.substr(0, mark);
    run.out = ReadAll(files.out);
    run.err = ReadAll(files.err);
    return run;
}

} // namespace

CliRun RunCli(const std::vector<std::string>& arguments, const std::string& input) {
    return RunCliAt(CliPlace{}, arguments, input);
}

std::string WhyCliCannotRunAs(unsigned user) {
    if (geteuid() != 0) {
        return "the tests do not run as root, so they cannot run anything as user " + std::to_string(user);
    }
    const ReachableCopy copy;
    const pid_t child = fork();
    if (child == 0) {
        if (!BecomeUser(user)) {
            _exit(255);
        }
        _exit(access(copy.program().c_str(), X_OK) == 0 ? 0 : errno);
    }
    const int code = WaitFor(child);
    if (code == 255) {
        return "the system does not let the tests become user " + std::to_string(user);
    }
    return code == 0 ? std::string()
                     : "user " + std::to_string(user) + " cannot start " + copy.program() + ": " + std::strerror(code);
}

CliRun RunCliAt(const CliPlace& place, const std::vector<std::string>& arguments, const std::string& input) {
    return RunCliAfterShell(place, "", arguments, input);
}

CliRun RunCliAfterShell(const CliPlace& place, const std::string& setup, const std::vector<std::string>& arguments,
                        const std::string& input) {
    CapturedStreams files(input);
    std::optional<ReachableCopy> copy;
    if (place.asUser != 0) {
        copy.emplace();
    }
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        ExecCli(arguments, files, TerminalUse::None, -1, place,
                Launch{copy ? copy->program() : std::string(TOLVANE_CLI_PATH), setup});
    }
    CliRun run;
    run.exitCode = WaitFor(child);
    run.ran = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    run.out = ReadAll(files.out);
    run.err = ReadAll(files.err);
    return run;
}

CliRun RunCliKilledAfter(const std::vector<std::string>& arguments, const std::string& input,
                         std::chrono::microseconds killAfter) {
    CapturedStreams files(input);
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        ExecCli(arguments, files, TerminalUse::None, -1);
    }
    int status = 0;
    std::this_thread::sleep_until(started + killAfter);
    if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    CliRun run;
    run.ran = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    run.exitCode = ExitCodeOf(status);
    run.out = ReadAll(files.out);
    run.err = ReadAll(files.err);
    return run;
}

CliRun RunCliInterrupted(const std::vector<std::string>& arguments, const std::string& input,
                         const std::string& watchedFolder, int signalNumber) {
    return RunCliMeanwhile(arguments, input, watchedFolder, [&](pid_t child) { kill(child, signalNumber); });
}

CliRun RunCliMeanwhile(const std::vector<std::string>& arguments, const std::string& input,
                       const std::string& watchedFolder, const std::function<void(pid_t)>& meanwhile) {
    CapturedStreams files(input);
    const pid_t child = fork();
    if (child == 0) {
        ExecCli(arguments, files, TerminalUse::None, -1);
    }
    // The signal goes as soon as the engine's output exists: the file is then half done. The output has
    // no name on Linux; the program's open descriptors show it ("/folder/#123 (deleted)").
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const std::string descriptors = "/proc/" + std::to_string(child) + "/fd";
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(descriptors, error)) {
            const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
            seen = seen || (target.starts_with(watchedFolder) &&
                            (target.ends_with("(deleted)") || target.find("/.tolvane-") != std::string::npos));
        }
        if (!seen) {
            usleep(200);
        }
    }
    meanwhile(child);
    CliRun run;
    run.exitCode = WaitFor(child);
    run.out = ReadAll(files.out);
    run.err = ReadAll(files.err);
    return run;
}

CliRun RunCliWithTerminalStderr(const std::vector<std::string>& arguments, const std::string& input) {
    return RunWithTerminal(arguments, input, TerminalUse::Stderr, {});
}

CliRun RunCliWithPromptTerminal(const std::vector<std::string>& arguments, const std::vector<std::string>& answers) {
    return RunWithTerminal(arguments, "", TerminalUse::Controlling, answers);
}
