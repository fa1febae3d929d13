// The conversions of one folder that wait to be finished together (conversion_batch.h), and what the walk
// has to tell the observer meanwhile, held back so that every report still arrives in the order of the
// walk: a file's FileConverted comes when its batch is finished.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "batch_walker.h"
#include "conversion_batch.h"

// At most this many conversions wait at once, and at most this many bytes written and not yet flushed:
// a flush of the batch then costs about as much as a flush of one file, and a crash has little to redo.
inline constexpr size_t kBatchConversions = 64;
inline constexpr uint64_t kBatchBytes = 64ull << 20;

class FolderBatch {
public:
    // handlesHeldElsewhere: what the walk itself keeps open (its folders), for the open-file bound.
    FolderBatch(BatchObserver* observer, size_t handlesHeldElsewhere);
    FolderBatch(const FolderBatch&) = delete;
    FolderBatch& operator=(const FolderBatch&) = delete;

    // A conversion whose output is written, of the folder of those already held: its report waits for
    // Finish. Finishes at once when the batch is full.
    void Hold(const PathString& path, PendingConversion conversion);
    // Reports about a file: delivered at once when nothing is held, else queued behind what is.
    void Report(const PathString& path, const ConvertResult& result);
    void PassOver(const PathString& path, PassOverReason reason);

    // Finishes every held conversion and delivers every queued report in order.
    void Finish();

    // The full paths of the outputs the finished batches made since the last call.
    std::vector<PathString> TakeOutputPaths();

private:
    // One report waiting: for a conversion of the batch (its index), for a file the engine ended early
    // (its result), or, with neither, for a file passed over (its reason).
    struct Held {
        PathString path;
        std::optional<size_t> conversion;
        std::optional<ConvertResult> result;
        PassOverReason reason = PassOverReason::Extension;
    };
    BatchObserver* m_observer;
    size_t m_limit;
    ConversionBatch m_batch;
    const HeldFolder* m_heldFolder = nullptr;
    std::vector<Held> m_queue;
    std::vector<PathString> m_created;
};
