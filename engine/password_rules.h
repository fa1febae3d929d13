// What a password must be before a batch may use it, decided beside the key it becomes (file_key.h):
// the password dialogs and the command line's prompt both ask here.
#pragma once

#include "batch_mode.h"
#include "enc_format.h"
#include "path_text.h"

enum class PasswordProblem {
    None,
    Empty,
    // More than ENC_MAX_PASSWORD_UNITS units: the key uses only the first ones, so the rest would be cut
    // without a word.
    TooLong,
    // A NUL ends the password for the key: what follows it would protect nothing.
    HasNul,
    // Encrypting only: a unit above U+00FF. The key keeps the units up to the first such one, so a
    // password of such characters would protect the files with a key anybody can guess. Decrypting takes
    // such a password, as an existing container may have been made with one.
    BeyondLatin1,
};

// The first problem of the password for a batch of the mode (empty and too long before any character is
// looked at, then the first character at fault); None when it can be used.
constexpr PasswordProblem CheckPassword(Utf16View password, BatchMode mode) {
    if (password.empty()) {
        return PasswordProblem::Empty;
    }
    if (password.size() > ENC_MAX_PASSWORD_UNITS) {
        return PasswordProblem::TooLong;
    }
    for (const Utf16Char unit : password) {
        if (unit == 0) {
            return PasswordProblem::HasNul;
        }
        if (mode == BatchMode::Encrypt && static_cast<char32_t>(unit) > 0xFF) {
            return PasswordProblem::BeyondLatin1;
        }
    }
    return PasswordProblem::None;
}
