// Reading one line from the terminal with echo off, whatever standard input is connected to.
#pragma once

#include <optional>
#include <string_view>

#include "path_text.h"

enum class HiddenInputStatus {
    Read,       // a line was read
    NoTerminal, // there is no terminal to ask on
    NotText,    // the line typed is not valid text
    TooLong,    // the line is longer than any password may be
};

// The most a password line may hold: 32 characters of up to four UTF-8 bytes, and a line end. The
// buffers are this large from the start, so reading never moves (and leaves behind) what was typed.
inline constexpr size_t kPasswordLineBytes = 4 * 32 + 2;

// Adds one unit of a password line to a buffer reserved to kPasswordLineBytes. Past its capacity the unit
// is dropped and the line marked too long, so the buffer never grows (and never leaves a copy behind).
template <typename Text> void KeepLineUnit(Text& line, typename Text::value_type unit, bool* tooLong) {
    if (line.size() == line.capacity()) {
        *tooLong = true;
        return;
    }
    line.push_back(unit);
}

// Shows prompt on the terminal, reads a line with echo off and gives it without its line end.
HiddenInputStatus ReadHiddenLine(std::string_view prompt, Utf16String* line);
