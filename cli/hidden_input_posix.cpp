// Hidden terminal input on POSIX: the controlling terminal (/dev/tty) with echo off for one line. Echo is
// restored on return and when the user interrupts the prompt.
#include "hidden_input.h"

#include <csignal>
#include <string>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "password_prompt.h"
#include "unique_handle.h"
#include "secure_wipe.h"

namespace {

// The one terminal whose echo is off, for the interrupt handler.
int g_echoOffTerminal = -1;
termios g_savedTerminalState{};

void RestoreEchoAndReraise(int signalNumber) {
    if (g_echoOffTerminal >= 0) {
        tcsetattr(g_echoOffTerminal, TCSANOW, &g_savedTerminalState);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

class EchoOff {
public:
    explicit EchoOff(int terminal) : m_terminal(terminal) {
        if (tcgetattr(terminal, &g_savedTerminalState) != 0) {
            return;
        }
        g_echoOffTerminal = terminal;
        m_previousInterrupt = std::signal(SIGINT, RestoreEchoAndReraise);
        m_previousTerminate = std::signal(SIGTERM, RestoreEchoAndReraise);
        termios quiet = g_savedTerminalState;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        m_active = tcsetattr(terminal, TCSANOW, &quiet) == 0;
    }
    ~EchoOff() {
        if (g_echoOffTerminal < 0) {
            return;
        }
        if (m_active) {
            tcsetattr(m_terminal, TCSANOW, &g_savedTerminalState);
        }
        std::signal(SIGINT, m_previousInterrupt);
        std::signal(SIGTERM, m_previousTerminate);
        g_echoOffTerminal = -1;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_terminal;
    bool m_active = false;
    void (*m_previousInterrupt)(int) = SIG_DFL;
    void (*m_previousTerminate)(int) = SIG_DFL;
};

} // namespace

HiddenInputStatus ReadHiddenLine(std::string_view prompt, Utf16String* line) {
    const FileHandle terminal(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!terminal || !isatty(terminal.get())) {
        return HiddenInputStatus::NoTerminal;
    }
    std::string bytes;
    bytes.reserve(kPasswordLineBytes);
    bool tooLong = false;
    {
        // Echo goes off before the prompt shows, so that nothing typed after it can appear.
        const EchoOff echoOff(terminal.get());
        if (write(terminal.get(), prompt.data(), prompt.size()) < 0) {
            return HiddenInputStatus::NoTerminal;
        }
        char unit = 0;
        while (read(terminal.get(), &unit, 1) == 1 && unit != '\n') {
            KeepLineUnit(bytes, unit, &tooLong);
        }
    }
    if (tooLong) {
        SecureWipe(bytes);
        return HiddenInputStatus::TooLong;
    }
    if (!bytes.empty() && bytes.back() == '\r') {
        bytes.pop_back();
    }
    std::optional<Utf16String> text = Utf8ToUtf16(bytes);
    SecureWipe(bytes);
    if (!text) {
        return HiddenInputStatus::NotText;
    }
    *line = std::move(*text);
    return HiddenInputStatus::Read;
}
