// Console output of the command line: UTF-8 text and terminal detection for POSIX and Windows.
#include "console_output.h"

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

void PrepareConsoleOutput() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
}

ClosedStreams OpenClosedStandardStreams() {
    ClosedStreams closed;
#ifndef _WIN32
    bool* const flags[] = {&closed.input, &closed.output, &closed.error};
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) != -1) {
            continue;
        }
        *flags[descriptor] = true;
        // The lowest free number is the closed one itself; it stays open for the program's life.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened != descriptor && opened != -1) {
            ::close(opened);
        }
    }
#endif
    return closed;
}

namespace {

bool g_stdoutClosed = false;

// Code points a terminal acts on instead of showing: C0 and C1 controls, DEL, and the marks that reorder
// the text around them.
bool IsTerminalControl(char32_t point) {
    return point < 0x20 || point == 0x7F || (point >= 0x80 && point <= 0x9F) || point == 0x200E || point == 0x200F ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

std::string Hex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(static_cast<size_t>(digits), '0');
    for (int index = digits - 1; index >= 0; --index, value >>= 4) {
        text[static_cast<size_t>(index)] = kDigits[value & 0xF];
    }
    return text;
}

} // namespace

std::string EscapeForTerminal(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        char32_t point = 0;
        const size_t length = DecodeUtf8Sequence(text, at, &point);
        if (length == 0) {
            shown += "\\x" + Hex(static_cast<unsigned char>(text[at]), 2);
            ++at;
        } else if (IsTerminalControl(point)) {
            shown += point < 0x80 ? "\\x" + Hex(point, 2) : "\\u" + Hex(point, 4);
            at += length;
        } else {
            shown.append(text.substr(at, length));
            at += length;
        }
    }
    return shown;
}

std::string PathForDisplay(PathView path) {
#ifdef _WIN32
    return EscapeForTerminal(Utf16ToUtf8ForDisplay(path));
#else
    // POSIX names are bytes: what is not UTF-8 is shown escaped like a control character.
    return EscapeForTerminal(path);
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
    if (stream == stdout && g_stdoutClosed) {
        return;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
                         std::fputc('\n', stream) != EOF && std::fflush(stream) == 0;
    if (!written && stream == stdout) {
        // The reader went away (a closed pipe): the batch goes on, its errors still reach stderr.
        g_stdoutClosed = true;
        std::clearerr(stdout);
    }
}
