// Password acquisition and its checks (contract in password_prompt.h).
#include "password_prompt.h"

#include <cstdio>

#include "container.h"
#include "hidden_input.h"
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
    for (int next = std::getc(stdin); next != EOF && next != '\n'; next = std::getc(stdin)) {
        bytes.push_back(static_cast<char>(next));
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
    }
    return std::nullopt;
}

} // namespace

std::string PasswordRefusal(const Utf16String& password, bool encrypting) {
    if (password.empty()) {
        return "the password is empty";
    }
    if (password.size() > ENC_MAX_PASSWORD_UNITS) {
        // The engine would use only the first 32 units, so a longer password would be cut without a word.
        return "the password is longer than 32 characters";
    }
    for (const Utf16Char unit : password) {
        if (unit == 0) {
            return "the password contains a NUL character";
        }
        // The key keeps only the characters up to the first one above U+00FF: a password of such characters
        // would protect the files with a key that anybody can guess.
        if (encrypting && unit > 0xFF) {
            return "the password contains characters beyond U+00FF (such as Chinese or Cyrillic letters), which "
                   "the encryption key cannot hold; choose one of Latin letters, digits and signs";
        }
    }
    return {};
}

std::string PasswordWarning(const Utf16String& password, bool encrypting) {
    if (encrypting && password.size() < kAdvisedPasswordUnits) {
        return "the password is shorter than 8 characters: anyone who tries short passwords can open the files";
    }
    return {};
}

std::optional<Utf16String> ObtainPassword(bool fromStdin, bool encrypting, std::string* refusal) {
    if (fromStdin) {
        std::optional<Utf16String> password = ReadStdinLine(refusal);
        if (!password) {
            return std::nullopt;
        }
        *refusal = PasswordRefusal(*password, encrypting);
        if (!refusal->empty()) {
            SecureWipe(*password);
            return std::nullopt;
        }
        return password;
    }
    // On a terminal a refused password or a confirmation that differs is asked again, a few times.
    for (int attempt = 1; attempt <= kPromptTries; ++attempt) {
        std::optional<Utf16String> password = AskTerminal(encrypting ? "New password: " : "Password: ", refusal);
        if (!password) {
            return std::nullopt;
        }
        *refusal = PasswordRefusal(*password, encrypting);
        if (refusal->empty() && encrypting) {
            std::optional<Utf16String> again = AskTerminal("Repeat password: ", refusal);
            if (!again) {
                SecureWipe(*password);
                return std::nullopt;
            }
            if (*again != *password) {
                *refusal = "the two passwords do not match";
            }
            SecureWipe(*again);
        }
        if (refusal->empty()) {
            return password;
        }
        SecureWipe(*password);
        if (attempt < kPromptTries) {
            std::fputs(("tolvane-cli: " + *refusal + "; try again\n").c_str(), stderr);
        }
    }
    return std::nullopt;
}
