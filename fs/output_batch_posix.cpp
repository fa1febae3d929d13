// A batch of outputs finished on POSIX. On Linux, for a local disk file system, one syncfs of the file
// system writes every output's data and waits once, which measured several times faster here than an
// fsync per output (even with the write-back of all started first); syncfs reports a write-back error of
// the file system since the descriptor it is called through was opened, which is the batch's first output.
// Elsewhere, and where syncfs fails, the write-back of every output is started before waiting on any.
#include "output_batch.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#ifdef __linux__
#include <sys/utsname.h>
#include <sys/vfs.h>

#include <cstdlib>
#endif

#include "fault_injection.h"
#include "system_error.h"

namespace {

// Descriptors kept for everything else the process may open meanwhile: its standard streams, a listing,
// the set-aside checks, a library's own files.
constexpr size_t kReservedDescriptors = 32;

#ifdef __linux__
// File systems whose syncfs writes and waits on the data of every file through to the disk. A network or
// user-space file system may do less, so its outputs are flushed one by one.
bool SyncsWholeDisk(int file) {
    struct statfs info {};
    if (::fstatfs(file, &info) != 0) {
        return false;
    }
    constexpr unsigned long kExt4 = 0xEF53;
    constexpr unsigned long kXfs = 0x58465342;
    constexpr unsigned long kBtrfs = 0x9123683E;
    constexpr unsigned long kF2fs = 0xF2F52010;
    const auto type = static_cast<unsigned long>(info.f_type);
    return type == kExt4 || type == kXfs || type == kBtrfs || type == kF2fs;
}

bool ThisKernelsSyncfsReportsWriteErrors() {
    static const bool reports = [] {
        struct utsname system {};
        return ::uname(&system) == 0 && SyncfsReportsWriteErrors(system.release);
    }();
    return reports;
}
#endif

} // namespace

std::vector<int> FlushOutputs(const std::vector<TempOutput*>& outputs) {
    std::vector<int> errors(outputs.size(), 0);
    std::vector<size_t> waiting;
    for (size_t index = 0; index < outputs.size(); ++index) {
        if (CheckFault(FileOp::Flush) != FaultDecision::Proceed) {
            errors[index] = EIO;
            continue;
        }
        waiting.push_back(index);
    }
    if (waiting.empty()) {
        return errors;
    }
#ifdef __linux__
    const int first = outputs[waiting.front()]->handle();
    if (waiting.size() > 1 && ThisKernelsSyncfsReportsWriteErrors() && SyncsWholeDisk(first)) {
        if (::syncfs(first) == 0) {
            return errors;
        }
    }
    for (const size_t index : waiting) {
        ::sync_file_range(outputs[index]->handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
    }
#endif
    for (const size_t index : waiting) {
        if (::fsync(outputs[index]->handle()) != 0) {
            errors[index] = errno != 0 ? errno : EIO;
        }
    }
    return errors;
}

std::vector<int> SyncOutputNames(const HeldFolder& folder, const std::vector<TempOutput*>& outputs) {
    ClearSystemError();
    int error = 0;
    if (CheckFault(FileOp::SyncFolder) != FaultDecision::Proceed || !folder.Sync()) {
        error = errno != 0 ? errno : EIO;
    }
    return std::vector<int>(outputs.size(), error);
}

#ifdef __linux__
bool SyncfsReportsWriteErrors(const char* kernelRelease) {
    if (kernelRelease == nullptr) {
        return false;
    }
    char* rest = nullptr;
    const unsigned long major = std::strtoul(kernelRelease, &rest, 10);
    if (rest == kernelRelease || *rest != '.') {
        return false;
    }
    const char* minorText = rest + 1;
    const unsigned long minor = std::strtoul(minorText, &rest, 10);
    if (rest == minorText) {
        return false;
    }
    return major > 5 || (major == 5 && minor >= 8);
}
#endif

size_t ConversionsThatMayStayOpen(size_t wanted, size_t handlesHeldElsewhere) {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return wanted > 0 ? wanted : 1;
    }
    const size_t available = static_cast<size_t>(limit.rlim_cur);
    const size_t kept = handlesHeldElsewhere + kReservedDescriptors;
    const size_t pairs = available > kept ? (available - kept) / 2 : 0;
    return std::max<size_t>(1, std::min(wanted, pairs));
}
