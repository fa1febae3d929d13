// Console output of the command line: UTF-8 text and terminal detection for POSIX and Windows.
#include "console_output.h"

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

void PrepareConsoleOutput() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
}

std::string PathForDisplay(PathView path) {
#ifdef _WIN32
    if (path.empty()) {
        return {};
    }
    // Without WC_ERR_INVALID_CHARS an unpaired surrogate turns into U+FFFD instead of failing.
    const int size = static_cast<int>(path.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, path.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_UTF8, 0, path.data(), size, text.data(), needed, nullptr, nullptr);
    }
    return text;
#else
    // POSIX names are shown as the bytes they are; the terminal decides how they look.
    return std::string(path);
#endif
}

#ifdef _WIN32
static HANDLE ConsoleHandleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}
#endif

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    // _isatty is also true for the NUL device; only a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(ConsoleHandleOf(stream), &mode) != 0;
#else
    return isatty(fileno(stream)) == 1;
#endif
}

int TerminalColumns(std::FILE* stream) {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(ConsoleHandleOf(stream), &info)) {
        return 0;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
#else
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) {
        return 0;
    }
    return size.ws_col;
#endif
}

void WriteLine(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}
