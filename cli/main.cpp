// tolvane-cli: encrypts or decrypts files and folders from the command line through the same batch walk
// and engine as the Explorer commands.
//
// Exit status: 0 when every file was converted or skipped, 1 when a file or a selected path was not
// converted, 2 for a usage error or a refused password, 130 or 143 after Ctrl-C or SIGTERM.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "batch_report.h"
#include "batch_walker.h"
#include "console_output.h"
#include "folder.h"
#include "full_path.h"
#include "interrupt.h"
#include "password_prompt.h"
#include "progress_line.h"
#include "selection.h"
#include "secure_wipe.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: tolvane-cli [--password-stdin] [-q|--quiet] encrypt|decrypt [--] PATH...\n"
    "       tolvane-cli --help | --version\n"
    "\n"
    "  encrypt           turn every file (folders searched to any depth) into an encrypted file beside it,\n"
    "                    named after it: report.pdf becomes report_pdf.ENC. The original is deleted once\n"
    "                    its encrypted file is complete and safely on disk.\n"
    "  decrypt           turn every .ENC file back into the file stored in it, under its stored name; the\n"
    "                    .ENC file is deleted once the restored file is complete and safely on disk.\n"
    "                    An existing file is never replaced: \" (2)\" is added to the new name instead.\n"
    "  --password-stdin  take the password from the first line of standard input (UTF-8)\n"
    "                    instead of asking on the terminal\n"
    "  -q, --quiet       no status line and no line per converted or skipped file\n"
    "  --                every word after it is a path, even one that starts with '-'; so is a path\n"
    "                    written ./-name. A word after the command that is an option and also names a\n"
    "                    file here (as * may give) stops the run before anything is converted.\n"
    "  -h, --help        this text\n"
    "  --version         the version\n"
    "\n"
    "Passwords: 1 to 32 characters. When encrypting, only Latin-1 characters (letters, digits and signs\n"
    "up to U+00FF), because the key is made of the password's bytes; fewer than 8 draws a warning.\n"
    "\n"
    "Exit status: 0 every file converted or skipped; 1 some file or path not converted; 2 usage error\n"
    "or refused password; 130 interrupted (Ctrl-C), 143 terminated.\n";

struct CommandLine {
    BatchMode mode = BatchMode::Encrypt;
    bool passwordFromStdin = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool inputClosed = false; // standard input was closed when the program started
    std::vector<PathString> paths;
};

// Whether a file, folder or link of that name is in the current folder.
bool NamesAnEntryHere(const PathString& word) {
    const std::optional<PathString> full = MakeFullPath(word);
    return full && ReadItemKind(*full).has_value();
}

// Options may stand anywhere before "--"; the first other word is the command, the rest are paths. A
// shell's * can put the name of a file such as "-q" or "--help" after the command, where it would be taken
// as an option; rather than guess which was meant, nothing is done and the user is told how to name it.
bool ParseCommandLine(const std::vector<PathString>& words, CommandLine* line, std::string* problem) {
    bool haveCommand = false;
    bool optionsEnded = false;
    for (const PathString& word : words) {
        if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            if (haveCommand && NamesAnEntryHere(word)) {
                const std::string shown = PathForDisplay(word);
                *problem = "'" + shown + "' is an option and also a file here: write ./" + shown + " for the file";
                return false;
            }
            if (word == TOLVANE_PATH_LITERAL("--")) {
                optionsEnded = true;
            } else if (word == TOLVANE_PATH_LITERAL("--password-stdin")) {
                line->passwordFromStdin = true;
            } else if (word == TOLVANE_PATH_LITERAL("--quiet") || word == TOLVANE_PATH_LITERAL("-q")) {
                line->quiet = true;
            } else if (word == TOLVANE_PATH_LITERAL("--help") || word == TOLVANE_PATH_LITERAL("-h")) {
                line->help = true;
            } else if (word == TOLVANE_PATH_LITERAL("--version")) {
                line->version = true;
            } else {
                *problem = "unknown option " + PathForDisplay(word);
                return false;
            }
            continue;
        }
        if (!haveCommand) {
            if (word == TOLVANE_PATH_LITERAL("encrypt")) {
                line->mode = BatchMode::Encrypt;
            } else if (word == TOLVANE_PATH_LITERAL("decrypt")) {
                line->mode = BatchMode::Decrypt;
            } else {
                *problem = "unknown command " + PathForDisplay(word) + " (encrypt or decrypt)";
                return false;
            }
            haveCommand = true;
            continue;
        }
        line->paths.push_back(word);
    }
    if (line->help || line->version) {
        return true;
    }
    if (!haveCommand) {
        *problem = "no command given";
        return false;
    }
    if (line->paths.empty()) {
        *problem = "no file or folder given";
        return false;
    }
    return true;
}

// The selected paths that are not converted at all, each with its reason.
void ReportUnconvertedPaths(const Selection& selection, BatchReport* report) {
    for (const NamedPath& path : selection.missing) {
        report->MissingPath(path.typed, path.systemError);
    }
    for (const NamedPath& path : selection.notConvertible) {
        report->NotConvertible(path.typed, path.kind);
    }
    for (const NamedPath& path : selection.roots) {
        report->RootNotConverted(path.typed);
    }
    for (const auto& [path, folder] : selection.systemFolders) {
        report->SystemFolderNotEncrypted(path.typed, folder);
    }
}

int RunBatch(const CommandLine& line) {
    // The paths are checked before the password is asked: with nothing to convert there is nothing to ask.
    Selection selection = PlanSelection(line.paths);
    if (line.mode == BatchMode::Encrypt) {
        SetAsideSystemFolders(&selection, ThisSystemsFolders());
    }
    ProgressLine quietLine(false, 0);
    BatchReport early(line.mode, line.quiet, &quietLine);
    if (selection.items.empty()) {
        ReportUnconvertedPaths(selection, &early);
        WriteLine(stderr,
                  "tolvane-cli: nothing to " + std::string(line.mode == BatchMode::Encrypt ? "encrypt" : "decrypt"));
        return kExitFailure;
    }

    std::string problem;
    PasswordSecret password;
    if (line.passwordFromStdin && line.inputClosed) {
        WriteLine(stderr, "tolvane-cli: no password: standard input is closed");
        return kExitUsage;
    }
    if (!ObtainPassword(line.passwordFromStdin, line.mode, &password, &problem)) {
        WriteLine(stderr, "tolvane-cli: " + problem);
        return kExitUsage;
    }
    const std::string warning = PasswordWarning(password.view(), line.mode);
    if (!warning.empty()) {
        WriteLine(stderr, "tolvane-cli: warning: " + warning);
    }
    WatchInterrupts();

    int32_t total = 0;
    for (const NamedPath& item : selection.items) {
        int32_t itemTotal = 0;
        if (CountSelection(&item.full, 1, &itemTotal) == 1) {
            total = itemTotal > INT32_MAX - total ? INT32_MAX : total + itemTotal;
        }
    }
    ProgressLine progress(!line.quiet && IsTerminal(stderr), total);
    BatchReport report(line.mode, line.quiet, &progress);
    ReportUnconvertedPaths(selection, &report);
    // One pass per path: a path that vanishes meanwhile ends only its own pass.
    for (const NamedPath& item : selection.items) {
        if (report.StopRequested()) {
            break;
        }
        ProcessSelection(&item.full, 1, line.mode, password.c_str(), &report);
    }
    password.Wipe();
    report.WriteSummary();
    if (InterruptArrived()) {
        return InterruptExitCode();
    }
    return report.AnyFailure() ? kExitFailure : kExitDone;
}

int Run(const std::vector<PathString>& words, const ClosedStreams& closed) {
    PrepareConsoleOutput();
    IgnoreBrokenPipes();
    CommandLine line;
    line.inputClosed = closed.input;
    std::string problem;
    if (!ParseCommandLine(words, &line, &problem)) {
        WriteLine(stderr, "tolvane-cli: " + problem);
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (line.help) {
        std::fputs(kUsage, stdout);
        return kExitDone;
    }
    if (line.version) {
        std::fputs("tolvane-cli " TOLVANE_VERSION "\n", stdout);
        return kExitDone;
    }
    return RunBatch(line);
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    const ClosedStreams closed = OpenClosedStandardStreams();
    std::vector<PathString> words;
    for (int index = 1; index < argc; ++index) {
        words.emplace_back(argv[index]);
    }
    return Run(words, closed);
}
