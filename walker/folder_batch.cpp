// Holding a folder's conversions and the walk's reports until the batch is finished (folder_batch.h).
#include "folder_batch.h"

#include "output_batch.h"

FolderBatch::FolderBatch(BatchObserver* observer, size_t handlesHeldElsewhere)
    : m_observer(observer), m_limit(ConversionsThatMayStayOpen(kBatchConversions, handlesHeldElsewhere)) {}

void FolderBatch::Hold(const PathString& path, PendingConversion conversion) {
    if (!m_batch.empty() && &conversion.folder() != m_heldFolder) {
        Finish(); // the walk finishes a folder's batch before it leaves the folder; this keeps it so anyway
    }
    m_heldFolder = &conversion.folder();
    m_queue.push_back(Held{path, m_batch.size(), std::nullopt, PassOverReason::Extension});
    m_batch.Add(std::move(conversion));
    if (m_batch.size() >= m_limit || m_batch.bytesWritten() >= kBatchBytes) {
        Finish();
    }
}

void FolderBatch::Report(const PathString& path, const ConvertResult& result) {
    if (m_queue.empty()) {
        if (m_observer) {
            m_observer->FileConverted(path, result);
        }
        return;
    }
    m_queue.push_back(Held{path, std::nullopt, result, PassOverReason::Extension});
}

void FolderBatch::PassOver(const PathString& path, PassOverReason reason) {
    if (m_queue.empty()) {
        if (m_observer) {
            m_observer->FilePassedOver(path, reason);
        }
        return;
    }
    m_queue.push_back(Held{path, std::nullopt, std::nullopt, reason});
}

void FolderBatch::Finish() {
    const std::vector<ConvertResult> results = m_batch.Finish();
    std::vector<Held> queue = std::move(m_queue);
    m_queue.clear();
    for (const Held& held : queue) {
        const ConvertResult* result = held.conversion ? &results[*held.conversion]
                                      : held.result   ? &*held.result
                                                      : nullptr;
        if (result != nullptr && !result->outputPath.empty()) {
            m_created.push_back(result->outputPath);
        }
        if (m_observer == nullptr) {
            continue;
        }
        if (result != nullptr) {
            m_observer->FileConverted(held.path, *result);
        } else {
            m_observer->FilePassedOver(held.path, held.reason);
        }
    }
}

std::vector<PathString> FolderBatch::TakeOutputPaths() {
    std::vector<PathString> paths = std::move(m_created);
    m_created.clear();
    return paths;
}
