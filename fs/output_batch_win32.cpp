// A batch of outputs finished on Windows: FlushFileBuffers of each output once the whole batch is written,
// and after the moves the flush of each renamed output, which writes its new name through NTFS's journal.
// Handles are not the scarce resource descriptors are on POSIX.
#include "output_batch.h"

#include <windows.h>

#include <algorithm>

#include "system_error.h"

namespace {

// One entry per output: 0 when step succeeded on it, else its system error.
template <typename Step> std::vector<int> EachOutput(const std::vector<TempOutput*>& outputs, Step step) {
    std::vector<int> errors(outputs.size(), 0);
    for (size_t index = 0; index < outputs.size(); ++index) {
        ClearSystemError();
        if (!step(*outputs[index])) {
            const int error = LastSystemError();
            errors[index] = error != 0 ? error : ERROR_WRITE_FAULT;
        }
    }
    return errors;
}

} // namespace

std::vector<int> FlushOutputs(const std::vector<TempOutput*>& outputs) {
    return EachOutput(outputs, [](TempOutput& output) { return output.Flush(); });
}

std::vector<int> SyncOutputNames(const HeldFolder&, const std::vector<TempOutput*>& outputs) {
    return EachOutput(outputs, [](TempOutput& output) { return output.SyncFolder(); });
}

size_t ConversionsThatMayStayOpen(size_t wanted, size_t) {
    return std::max<size_t>(1, wanted);
}
