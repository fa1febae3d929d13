// Interrupts on POSIX: SIGINT and SIGTERM set a flag that the batch's observer reads.
#include "interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_signal = 0;

void Remember(int signalNumber) {
    g_signal = signalNumber;
}

} // namespace

void WatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = Remember;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and writes carry on; the flag is read between chunks
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptArrived() {
    return g_signal != 0;
}

int InterruptExitCode() {
    return 128 + (g_signal != 0 ? static_cast<int>(g_signal) : SIGINT);
}

void IgnoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}
