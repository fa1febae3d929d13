// Text output of the command line: UTF-8 on every platform, paths shown readably, and whether a stream
// is an interactive terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "path_text.h"

// Makes the Windows console show UTF-8; nothing elsewhere.
void PrepareConsoleOutput();

// Which of standard input, output and error the program was started without.
struct ClosedStreams {
    bool input = false;
    bool output = false;
    bool error = false;
};
// On POSIX opens /dev/null onto each of descriptors 0, 1 and 2 that is closed, before anything else is
// opened: a file the batch opens would otherwise take that number and receive the messages (or be read
// as the password). Says which were closed. Nothing on Windows.
ClosedStreams OpenClosedStandardStreams();

// The path as UTF-8 text for messages, safe to print: control characters (which a terminal would act on)
// and bytes that are not UTF-8 are shown escaped, as \x1b or \u202e. On Windows an unpaired surrogate
// becomes U+FFFD.
std::string PathForDisplay(PathView path);

// UTF-8 text with control characters and invalid bytes escaped as PathForDisplay shows them.
std::string EscapeForTerminal(std::string_view text);

// True when the stream is an interactive terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// Width of the terminal behind the stream in columns, or 0 when unknown.
int TerminalColumns(std::FILE* stream);

// Writes text and a line end, then flushes, so that lines of stdout and stderr keep their order. Once a
// write to stdout fails (its reader has gone), later lines for stdout are dropped.
void WriteLine(std::FILE* stream, std::string_view text);
