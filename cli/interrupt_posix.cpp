// Interrupts on POSIX: SIGINT and SIGTERM set a flag that the batch and the engine read.
#include "conversion_hooks.h"
#include "interrupt.h"

#include <csignal>

#include "container.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;

void Remember(int signalNumber) {
    g_signal = signalNumber;
}

bool EngineShouldStop(void*) {
    return InterruptArrived();
}

} // namespace

void WatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = Remember;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and writes carry on; the flag is read between chunks
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    SetInterruptCheck(EngineShouldStop, nullptr);
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
