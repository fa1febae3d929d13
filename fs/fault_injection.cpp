// The fault table behind the file layer's checks, compiled only into the test builds of the libraries
// (TOLVANE_FAULT_SEAM). Disarmed, each check is one relaxed atomic load.
#include "fault_injection.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "callback.h"

namespace {

struct ArmedFault {
    FileOp op;
    uint64_t nth;
    FaultAction action;
    bool repeat;
};

constexpr size_t kMaxArmedFaults = 8;

struct FaultTable {
    std::mutex mutex;
    std::array<ArmedFault, kMaxArmedFaults> faults{};
    size_t faultCount = 0;
    std::array<uint64_t, FILE_OP_COUNT> counts{};
};

FaultTable& Table() {
    static FaultTable table;
    return table;
}

// Set while faults are armed or operations are counted; keeps the disarmed path free of the mutex.
std::atomic<bool> g_faultsArmed{false};
std::atomic<bool> g_namedTemporaries{false};
Callback<void, PathView> g_listed;
std::atomic<bool> g_operationHooked{false};
Callback<void, FileOp> g_operation;

} // namespace

void SetListingHook(ListingHook hook, void* context) {
    g_listed.Set(hook, context);
}

void SetOperationHook(OperationHook hook, void* context) {
    g_operation.Set(hook, context);
    g_operationHooked.store(hook != nullptr, std::memory_order_release);
}

void NotifyListed(PathView name) {
    g_listed(name);
}

void PreferNamedTemporaries(bool prefer) {
    g_namedTemporaries.store(prefer, std::memory_order_release);
}

bool NamedTemporariesPreferred() {
    return g_namedTemporaries.load(std::memory_order_acquire);
}

void ArmFault(FileOp op, uint64_t nth, FaultAction action, bool repeat) {
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (table.faultCount < kMaxArmedFaults) {
        table.faults[table.faultCount++] = ArmedFault{op, nth, action, repeat};
    }
    table.counts.fill(0);
    g_faultsArmed.store(true, std::memory_order_release);
}

void StartCountingFileOps() {
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.counts.fill(0);
    g_faultsArmed.store(true, std::memory_order_release);
}

void DisarmFaults() {
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.faultCount = 0;
    g_faultsArmed.store(false, std::memory_order_release);
    g_namedTemporaries.store(false, std::memory_order_release);
}

uint64_t FaultOperationCount(FileOp op) {
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    return table.counts[static_cast<size_t>(op)];
}

FaultDecision CheckFault(FileOp op) {
    if (g_operationHooked.load(std::memory_order_acquire)) {
        // The engine reads on one thread while another writes: a test's hook sees one operation at a time.
        static std::recursive_mutex hookMutex;
        std::lock_guard lock(hookMutex);
        g_operation(op);
    }
    if (!g_faultsArmed.load(std::memory_order_acquire)) {
        return FaultDecision::Proceed;
    }
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    const uint64_t count = ++table.counts[static_cast<size_t>(op)];
    for (size_t index = 0; index < table.faultCount; ++index) {
        const ArmedFault& fault = table.faults[index];
        if (fault.op != op || (count != fault.nth && !(fault.repeat && count > fault.nth))) {
            continue;
        }
        switch (fault.action) {
        case FaultAction::Fail:
            return FaultDecision::Fail;
        case FaultAction::Short:
            return FaultDecision::Short;
        case FaultAction::Crash:
            std::_Exit(FAULT_CRASH_EXIT_CODE);
        }
    }
    return FaultDecision::Proceed;
}
