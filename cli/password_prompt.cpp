// Password acquisition and its checks (contract in password_prompt.h).
#include "password_prompt.h"

#include <cstdio>

#include "hidden_input.h"
#include "password_rules.h"
#include "password_secret.h"
#include "secure_wipe.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kPromptTries = 3;
constexpr size_t kAdvisedPasswordUnits = 8;

// The first line of standard input, its line end removed; nullopt when it is not valid UTF-8.
std::optional<Utf16String> ReadStdinLine(std::string* refusal) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::string bytes;
    bytes.reserve(kPasswordLineBytes);
    bool tooLong = false;
    for (int next = std::getc(stdin); next != EOF && next != '\n'; next = std::getc(stdin)) {
        KeepLineUnit(bytes, static_cast<char>(next), &tooLong);
    }
    if (tooLong) {
        SecureWipe(bytes);
        *refusal = "the password is longer than 32 characters";
        return std::nullopt;
    }
    if (!bytes.empty() && bytes.back() == '\r') {
        bytes.pop_back();
    }
    // Editors and shells on Windows may put a byte order mark in front.
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
    }
    std::optional<Utf16String> password = Utf8ToUtf16(bytes);
    SecureWipe(bytes);
    if (!password) {
        *refusal = "the password on standard input is not valid UTF-8 text";
    }
    return password;
}

std::optional<Utf16String> AskTerminal(std::string_view prompt, std::string* refusal) {
    Utf16String line;
    switch (ReadHiddenLine(prompt, &line)) {
    case HiddenInputStatus::Read:
        return line;
    case HiddenInputStatus::NoTerminal:
        *refusal = "there is no terminal to ask for the password; give it with --password-stdin";
        return std::nullopt;
    case HiddenInputStatus::NotText:
        *refusal = "the password typed is not valid text";
        return std::nullopt;
    case HiddenInputStatus::TooLong:
        *refusal = "the password is longer than 32 characters";
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::string PasswordRefusal(Utf16View password, BatchMode mode) {
    switch (CheckPassword(password, mode)) {
    case PasswordProblem::None:
        return {};
    case PasswordProblem::Empty:
        return "the password is empty";
    case PasswordProblem::TooLong:
        return "the password is longer than 32 characters";
    case PasswordProblem::HasNul:
        return "the password contains a NUL character";
    case PasswordProblem::BeyondLatin1:
        return "the password contains characters beyond U+00FF (such as Chinese or Cyrillic letters), which "
               "the encryption key cannot hold; choose one of Latin letters, digits and signs";
    }
    return {};
}

std::string PasswordWarning(Utf16View password, BatchMode mode) {
    if (mode == BatchMode::Encrypt && password.size() < kAdvisedPasswordUnits) {
        return "the password is shorter than 8 characters: anyone who tries short passwords can open the files";
    }
    return {};
}

namespace {

// The accepted password into its fixed buffer; the text it came in is wiped either way.
bool Hand(std::optional<Utf16String>& password, bool accepted, PasswordSecret* out) {
    if (accepted) {
        out->Assign(password->data(), password->size());
    }
    SecureWipe(*password);
    return accepted;
}

} // namespace

bool ObtainPassword(bool fromStdin, BatchMode mode, PasswordSecret* out, std::string* refusal) {
    const bool encrypting = mode == BatchMode::Encrypt;
    if (fromStdin) {
        std::optional<Utf16String> password = ReadStdinLine(refusal);
        if (!password) {
            return false;
        }
        *refusal = PasswordRefusal(*password, mode);
        return Hand(password, refusal->empty(), out);
    }
    // On a terminal a refused password or a confirmation that differs is asked again, a few times.
    for (int attempt = 1; attempt <= kPromptTries; ++attempt) {
        std::optional<Utf16String> password = AskTerminal(encrypting ? "New password: " : "Password: ", refusal);
        if (!password) {
            return false;
        }
        *refusal = PasswordRefusal(*password, mode);
        if (refusal->empty() && encrypting) {
            std::optional<Utf16String> again = AskTerminal("Repeat password: ", refusal);
            if (!again) {
                return Hand(password, false, out);
            }
            if (*again != *password) {
                *refusal = "the two passwords do not match";
            }
            SecureWipe(*again);
        }
        if (Hand(password, refusal->empty(), out)) {
            return true;
        }
        if (attempt < kPromptTries) {
            std::fputs(("tolvane-cli: " + *refusal + "; try again\n").c_str(), stderr);
        }
    }
    return false;
}
