// tolvane-cli: encrypts or decrypts files and folders from the command line through the same batch walk
// and engine as the Explorer commands.
//
// Exit status: 0 when every file was converted or skipped, 1 when a file failed or a selected path does
// not exist, 2 for a usage error or a refused password.
#include <cstdio>
#include <string>
#include <vector>

#include "batch_report.h"
#include "batch_walker.h"
#include "console_output.h"
#include "folder_listing.h"
#include "password_prompt.h"
#include "progress_line.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: tolvane-cli [--password-stdin] [--quiet] encrypt|decrypt PATH...\n"
    "\n"
    "  encrypt           turn every file (folders searched to any depth) into an .ENC file beside it\n"
    "  decrypt           turn every .ENC file back into the file stored in it\n"
    "  --password-stdin  take the password from the first line of standard input (UTF-8)\n"
    "                    instead of asking on the terminal\n"
    "  --quiet           no status line and no line per converted or skipped file\n";

struct CommandLine {
    int mode = kModeEncrypt;
    bool passwordFromStdin = false;
    bool quiet = false;
    bool help = false;
    std::vector<PathString> paths;
};

// Options may stand anywhere before "--"; the first other word is the command, the rest are paths.
bool ParseCommandLine(const std::vector<PathString>& words, CommandLine* line, std::string* problem) {
    bool haveCommand = false;
    bool optionsEnded = false;
    for (const PathString& word : words) {
        if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            if (word == TOLVANE_PATH_LITERAL("--")) {
                optionsEnded = true;
            } else if (word == TOLVANE_PATH_LITERAL("--password-stdin")) {
                line->passwordFromStdin = true;
            } else if (word == TOLVANE_PATH_LITERAL("--quiet") || word == TOLVANE_PATH_LITERAL("-q")) {
                line->quiet = true;
            } else if (word == TOLVANE_PATH_LITERAL("--help") || word == TOLVANE_PATH_LITERAL("-h")) {
                line->help = true;
            } else {
                *problem = "unknown option " + PathForDisplay(word);
                return false;
            }
            continue;
        }
        if (!haveCommand) {
            if (word == TOLVANE_PATH_LITERAL("encrypt")) {
                line->mode = kModeEncrypt;
            } else if (word == TOLVANE_PATH_LITERAL("decrypt")) {
                line->mode = kModeDecrypt;
            } else {
                *problem = "unknown command " + PathForDisplay(word) + " (encrypt or decrypt)";
                return false;
            }
            haveCommand = true;
            continue;
        }
        line->paths.push_back(word);
    }
    if (line->help) {
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

int RunBatch(const CommandLine& line) {
    std::string refusal;
    std::optional<Utf16String> password = ObtainPassword(line.passwordFromStdin, line.mode == kModeEncrypt, &refusal);
    if (!password) {
        WriteLine(stderr, "tolvane-cli: " + refusal);
        return kExitUsage;
    }

    // Missing paths are reported all at once before anything changes; the others are still converted.
    std::vector<PathString> selection;
    std::vector<PathString> missing;
    for (const PathString& path : line.paths) {
        (ReadItemKind(path) ? selection : missing).push_back(path);
    }

    int32_t total = 0;
    if (!selection.empty()) {
        CountSelection(selection.data(), static_cast<int>(selection.size()), &total);
    }
    ProgressLine progress(!line.quiet && IsTerminal(stderr), total);
    BatchReport report(line.mode, line.quiet, &progress);
    for (const PathString& path : missing) {
        report.MissingPath(path);
    }
    if (!selection.empty()) {
        progress.Attach();
        ProcessSelection(selection.data(), static_cast<int>(selection.size()), line.mode, password->c_str(), &report);
    }
    WipeText(*password);
    report.WriteSummary();
    return report.AnyFailure() ? kExitFailure : kExitDone;
}

int Run(const std::vector<PathString>& words) {
    PrepareConsoleOutput();
    CommandLine line;
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
    return RunBatch(line);
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    std::vector<PathString> words;
    for (int index = 1; index < argc; ++index) {
        words.emplace_back(argv[index]);
    }
    return Run(words);
}
