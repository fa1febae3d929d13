// Hidden terminal input on Windows: the console's own input (CONIN$) with echo off for one line, read as
// UTF-16 so that any character the user types arrives unchanged.
#include "hidden_input.h"

#include <string>

#include <windows.h>

#include "password_prompt.h"
#include "unique_handle.h"
#include "secure_wipe.h"

namespace {

FileHandle OpenConsole(const wchar_t* name) {
    return FileHandle(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

class EchoOff {
public:
    EchoOff(HANDLE input, DWORD mode) : m_input(input), m_mode(mode) {
        SetConsoleMode(input,
                       (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    }
    ~EchoOff() { SetConsoleMode(m_input, m_mode); }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    HANDLE m_input;
    DWORD m_mode;
};

void WriteConsoleText(HANDLE output, const std::wstring& text) {
    DWORD written = 0;
    WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace

HiddenInputStatus ReadHiddenLine(std::string_view prompt, Utf16String* line) {
    const FileHandle input = OpenConsole(L"CONIN$");
    const FileHandle output = OpenConsole(L"CONOUT$");
    DWORD mode = 0;
    if (!input || !output || !GetConsoleMode(input.get(), &mode)) {
        return HiddenInputStatus::NoTerminal;
    }
    // The prompts are ASCII.
    WriteConsoleText(output.get(), std::wstring(prompt.begin(), prompt.end()));
    std::wstring text;
    text.reserve(kPasswordLineBytes);
    bool tooLong = false;
    {
        const EchoOff echoOff(input.get(), mode);
        wchar_t unit = 0;
        DWORD read = 0;
        while (ReadConsoleW(input.get(), &unit, 1, &read, nullptr) && read == 1 && unit != L'\n') {
            KeepLineUnit(text, unit, &tooLong);
        }
    }
    if (tooLong) {
        SecureWipe(text);
        return HiddenInputStatus::TooLong;
    }
    WriteConsoleText(output.get(), L"\r\n");
    if (!text.empty() && text.back() == L'\r') {
        text.pop_back();
    }
    *line = text;
    SecureWipe(text);
    return HiddenInputStatus::Read;
}
