// Text output of the command line: UTF-8 on every platform, paths shown readably, and whether a stream
// is an interactive terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "path_text.h"

// Makes the Windows console show UTF-8; nothing elsewhere.
void PrepareConsoleOutput();

// The path as UTF-8 text for messages. Units that cannot be shown become U+FFFD.
std::string PathForDisplay(PathView path);

// True when the stream is an interactive terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// Width of the terminal behind the stream in columns, or 0 when unknown.
int TerminalColumns(std::FILE* stream);

// Writes text and a line end, then flushes, so that lines of stdout and stderr keep their order.
void WriteLine(std::FILE* stream, std::string_view text);
