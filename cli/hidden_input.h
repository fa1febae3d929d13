// Reading one line from the terminal with echo off, whatever standard input is connected to.
#pragma once

#include <optional>
#include <string_view>

#include "path_text.h"

enum class HiddenInputStatus {
    Read,       // a line was read
    NoTerminal, // there is no terminal to ask on
    NotText,    // the line typed is not valid text
};

// Shows prompt on the terminal, reads a line with echo off and gives it without its line end.
HiddenInputStatus ReadHiddenLine(std::string_view prompt, Utf16String* line);
