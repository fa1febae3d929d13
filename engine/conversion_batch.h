// A conversion in two phases, so that the outputs of many files of one folder are made durable together:
// the write phase reads the source and writes its whole output under the engine's temporary form, and a
// batch of such pending conversions is then finished at once: every output's data flushed, every output
// given its free final name, the folder flushed once, and only then each source deleted (through the same
// identity checks as a single conversion). EncryptEntry and DecryptEntry are a batch of one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "container.h"
#include "enc_names.h"
#include "file_io.h"

// A source whose output is complete but not yet flushed, named, or its source deleted. Holds two handles
// (the source and the output) until its batch finishes it; dropped unfinished, its output is removed and
// the source is left as it was.
class PendingConversion {
public:
    PendingConversion(const HeldFolder& folder, std::unique_ptr<SourceFile> source, TempOutput output,
                      NameParts outputName, uint64_t bytesWritten)
        : m_folder(&folder), m_source(std::move(source)), m_output(std::move(output)),
          m_outputName(std::move(outputName)), m_bytesWritten(bytesWritten) {}
    PendingConversion(PendingConversion&&) noexcept = default;
    PendingConversion& operator=(PendingConversion&&) = delete;

    const HeldFolder& folder() const { return *m_folder; }
    // The source's name in its folder.
    const PathString& sourceName() const { return m_source->name(); }
    // What the output holds, none of it flushed yet.
    uint64_t bytesWritten() const { return m_bytesWritten; }

private:
    friend class ConversionBatch;
    const HeldFolder* m_folder;
    std::unique_ptr<SourceFile> m_source; // the output refers to it: it stays where it is when this moves
    std::optional<TempOutput> m_output;   // empty once its flush or its move failed (and it was removed)
    NameParts m_outputName;
    uint64_t m_bytesWritten;
};

// What the write phase gives: a pending conversion, or the result when the conversion ended there (never a
// Converted kind; the disk is then as before, as container.h says for each outcome).
struct WrittenConversion {
    std::optional<PendingConversion> pending;
    ConvertResult result;
};

// The write phase of EncryptEntry and DecryptEntry: everything up to and including the output's metadata,
// with every check of the source (not opened for writing, not grown or shrunk). The observer hears the
// file's start and chunks and may stop it (Interrupted), as for the single-file forms.
WrittenConversion WriteContainer(const HeldFolder& folder, PathView name, const Utf16Char* password,
                                 ConversionObserver* observer = nullptr);
WrittenConversion WriteRestored(const HeldFolder& folder, PathView containerName, const Utf16Char* password,
                                ConversionObserver* observer = nullptr);

// Pending conversions of one folder, finished together. Finishing never asks an observer to stop: an
// output that is complete is always finished.
class ConversionBatch {
public:
    // False (and the conversion dropped: its output removed, its source left) when it belongs to another
    // folder than the conversions already held.
    bool Add(PendingConversion conversion);

    bool empty() const { return m_pending.empty(); }
    size_t size() const { return m_pending.size(); }
    // Bytes written by the held conversions and not yet flushed.
    uint64_t bytesWritten() const { return m_bytesWritten; }

    // Flushes every output's data, moves each to its free final name, flushes the folder once, then
    // deletes each source that may go. One result per conversion, in the order they were added; a flush or
    // a move that fails gives OutputFailed for that conversion alone. The batch is empty afterwards.
    std::vector<ConvertResult> Finish();

private:
    std::vector<PendingConversion> m_pending;
    uint64_t m_bytesWritten = 0;
};
