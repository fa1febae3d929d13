// Faults on demand in the file layer: a test arms "the Nth operation of this kind fails" (or writes short,
// or ends the process) and then drives the engine as usual. Only the test builds of the libraries carry
// the seam (TOLVANE_FAULT_SEAM); in the shipped ones every check is an inline "proceed" and the rest of
// this header is absent.
#pragma once

#include <cstdint>

#include "path_text.h"

// The operations of the file layer that can be made to fail. Counts start at 1 with the first operation of
// that kind after the fault was armed.
enum class FileOp : uint8_t {
    OpenSource,     // opening a file to read (plain file or container)
    CreateTemp,     // creating the temporary output
    Read,           // one read call
    Write,          // one write call
    Flush,          // flushing the temporary output to stable storage
    Rename,         // moving the temporary output to a final name (each attempt)
    SyncFolder,     // making the rename durable (POSIX: fsync of the folder)
    DeleteSource,   // deleting the source after success (POSIX: unlinking it under its set-aside name)
    RemoveTemp,     // removing the temporary output after a failure
    AllocateBuffer, // allocating the chunk buffer
    SetAside,       // POSIX: moving the source to its set-aside name just before its deletion
    TakeLease,      // POSIX: taking the read lease on a source (a failure: held without a lease)
    ListFolder,     // reading the next batch of a folder's entries (a failure: the listing breaks off)
    PassOnMetadata, // giving the output what its source carries besides its bytes
};
inline constexpr int FILE_OP_COUNT = 14;
static_assert(static_cast<int>(FileOp::PassOnMetadata) + 1 == FILE_OP_COUNT);

enum class FaultAction : uint8_t {
    Fail,  // the operation does nothing and reports failure (a write fails as on a full disk)
    Short, // Read: returns at most half the bytes asked. Write: writes half and reports that. Others: Fail.
    Crash, // the process ends at once, before the operation, with FAULT_CRASH_EXIT_CODE
};
inline constexpr int FAULT_CRASH_EXIT_CODE = 86;

// For the file layer: counts one operation and tells what to do with it. Proceed when nothing is armed.
enum class FaultDecision : uint8_t { Proceed, Fail, Short };

#ifndef TOLVANE_FAULT_SEAM
inline FaultDecision CheckFault(FileOp) {
    return FaultDecision::Proceed;
}
inline bool NamedTemporariesPreferred() {
    return false;
}
inline void NotifyListed(PathView) {}
#else
// Called with every operation the file layer checks, before its fault (if any) is decided: a test does
// what another program would do at exactly that moment (a save just before the source is set aside).
using OperationHook = void (*)(void* context, FileOp op);
void SetOperationHook(OperationHook hook, void* context);

FaultDecision CheckFault(FileOp op);

// Where the platform can write an output without a name, a test may ask for the named temporary that
// other platforms use, to look at it or to exercise that path. Disarming ends the preference.
void PreferNamedTemporaries(bool prefer);
bool NamedTemporariesPreferred();

// Called with each entry a folder listing is about to return, before anyone can act on it: a test swaps
// the entry for a link there, so that the race between listing and opening is decided, not timed.
using ListingHook = void (*)(void* context, PathView name);
void SetListingHook(ListingHook hook, void* context);
void NotifyListed(PathView name);

// Arms one fault: the nth operation of that kind (1 = the next one) gets the action; with repeat set, that
// one and every later one. Several faults can be armed at once (up to 8); arming resets the counts.
void ArmFault(FileOp op, uint64_t nth, FaultAction action, bool repeat = false);

// Counts operations without failing any (resets the counts), e.g. to learn how many points a crash test
// has to visit.
void StartCountingFileOps();

// Ends faults and counting; the counts stay readable until the next arm.
void DisarmFaults();

// How many operations of a kind the file layer attempted since the last arm or StartCountingFileOps.
uint64_t FaultOperationCount(FileOp op);

// Disarms on scope exit, so a failing test assertion never leaves faults armed for the next test.
class FaultScope {
public:
    FaultScope() = default;
    FaultScope(FileOp op, uint64_t nth, FaultAction action, bool repeat = false) { ArmFault(op, nth, action, repeat); }
    ~FaultScope() { DisarmFaults(); }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};
#endif
