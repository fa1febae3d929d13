// The write phase of both directions on one skeleton (make the key, check the name, open and check the
// source, write the output's lead, run the chunks, check the source again, pass on the metadata), with
// what encrypting and decrypting do differently in one small class each; and the single-file forms, a
// batch of one (conversion_batch.h). Every early return releases what was taken (the temporary output
// removes itself).
#include "container.h"

#include <algorithm>
#include <memory>

#include "piece_pipeline.h"
#include "container_layout.h"
#include "conversion_batch.h"
#include "enc_names.h"
#include "file_io.h"
#include "file_key.h"
#include "path_parts.h"
#include "system_error.h"

namespace {

// The observer of a caller that gave none: silent, and never asks to stop.
class SilentObserver final : public ConversionObserver {};

ConvertResult Failed(ConvertOutcome outcome) {
    ConvertResult result;
    result.outcome = outcome;
    return result;
}

ConvertResult FailedWith(ConvertOutcome outcome, int systemError) {
    ConvertResult result;
    result.outcome = outcome;
    result.systemError = systemError;
    return result;
}

// A failure of a system call: the result carries its error, read before anything else can change it.
ConvertResult FailedCall(ConvertOutcome outcome) {
    return FailedWith(outcome, LastSystemError());
}

// Reads until count bytes are in or the file ends; nullopt when a read fails.
std::optional<size_t> ReadFully(SourceFile& source, uint8_t* buffer, size_t count) {
    size_t filled = 0;
    while (filled < count) {
        const auto got = source.Read(buffer + filled, count - filled);
        if (!got) {
            return std::nullopt;
        }
        if (*got == 0) {
            break;
        }
        filled += *got;
    }
    return filled;
}

// Reads exactly count bytes: fewer means the file shrank while it was read, which counts as a failed read.
bool ReadExactly(SourceFile& source, uint8_t* buffer, size_t count) {
    const auto got = ReadFully(source, buffer, count);
    return got && *got == count;
}

// The length was taken at the start; a file that grew meanwhile would come out cut, so it fails instead.
bool AtEndOfFile(SourceFile& source) {
    uint8_t probe = 0;
    const auto got = source.Read(&probe, 1);
    return got && *got == 0;
}

bool WriteAll(TempOutput& output, const uint8_t* data, size_t size) {
    return output.Write(data, size) == size;
}

bool IsAllZero(const uint8_t* data, size_t size) {
    return std::all_of(data, data + size, [](uint8_t byte) { return byte == 0; });
}

// Enciphers one chunk of n plain bytes in place; on the last chunk adds the filler. Returns the bytes to write.
size_t EncipherChunk(const FileKey& key, uint8_t* chunk, size_t n, bool last, FillerForm filler) {
    size_t cipherBytes = n;
    size_t rawBytes = 0;
    if (last && filler == FillerForm::CompletesLastBlock) {
        cipherBytes = (n / ENC_BLOCK_SIZE + 1) * ENC_BLOCK_SIZE;
        std::fill(chunk + n, chunk + cipherBytes, uint8_t{0});
    } else if (last && filler == FillerForm::RawZeroBlock) {
        rawBytes = ENC_BLOCK_SIZE;
        std::fill(chunk + n, chunk + n + rawBytes, uint8_t{0});
    }
    AesEncryptBlocks(key.context(), chunk, chunk, cipherBytes / ENC_BLOCK_SIZE);
    return cipherBytes + rawBytes;
}

// A body of whole chunks carries no filler, and a reader takes a last stored block of 16 zero bytes for the
// raw filler of a shorter file. When the data's own last block enciphers to exactly that (anyone who knows
// the password can make such a file), a raw zero filler block follows with the pad count 16 the header
// already has: the body is then no whole number of chunks, and every reader drops exactly that block.
bool WriteFillerIfLastBlockIsAmbiguous(TempOutput& output, const uint8_t* lastChunk, size_t written,
                                       FillerForm filler) {
    if (filler != FillerForm::None || !IsAllZero(lastChunk + written - ENC_BLOCK_SIZE, ENC_BLOCK_SIZE)) {
        return true;
    }
    static constexpr uint8_t kRawFiller[ENC_BLOCK_SIZE] = {};
    return WriteAll(output, kRawFiller, sizeof kRawFiller);
}

// The source opened relative to its folder; the outcome for a name that cannot be taken.
std::unique_ptr<SourceFile> OpenSource(const HeldFolder& folder, PathView name, ConvertResult* refusal) {
    ClearSystemError();
    OpenRefusal why = OpenRefusal::Unreadable;
    auto opened = SourceFile::Open(folder, name, &why);
    if (!opened) {
        switch (why) {
        case OpenRefusal::NotRegular:
            *refusal = Failed(ConvertOutcome::NotARegularFile);
            break;
        case OpenRefusal::InUse:
            *refusal = Failed(ConvertOutcome::SourceInUse);
            break;
        case OpenRefusal::Unreadable:
            *refusal = FailedCall(ConvertOutcome::SourceUnreadable);
            break;
        }
        return nullptr;
    }
    return std::make_unique<SourceFile>(std::move(*opened));
}

// The folder that holds a path, for the path forms of the procedures.
std::optional<HeldFolder> ParentOf(const PathChar* path, PathString* name, ConvertResult* refusal) {
    if (path == nullptr || *path == 0) {
        *refusal = Failed(ConvertOutcome::BadPath);
        return std::nullopt;
    }
    PathString bareName;
    if (GetBareFileName(&bareName, path) == 0 || bareName.empty()) {
        *refusal = Failed(ConvertOutcome::BadPath);
        return std::nullopt;
    }
    ClearSystemError();
    auto folder = HeldFolder::OpenParent(path, name);
    if (!folder) {
        *refusal = FailedCall(ConvertOutcome::SourceUnreadable);
    }
    return folder;
}

// Encrypting: the plain file's name goes into the header, which leads the body; the last chunk gets its
// filler.
class Encipherment {
public:
    static constexpr OutputKind kOutputKind = OutputKind::Container;

    // The header keeps the name in 256 units with its terminator; a name that is not valid UTF-8 (POSIX)
    // has no exact UTF-16 form. Both are refused rather than stored changed.
    std::optional<ConvertOutcome> RefuseName(PathView name) {
        auto stored = PathToUtf16(name);
        if (!stored || stored->size() > ENC_NAME_UNITS - 1) {
            return ConvertOutcome::BadPath;
        }
        m_storedName = std::move(*stored);
        return std::nullopt;
    }

    std::optional<ConvertResult> ReadLead(SourceFile&, uint64_t length, const FileKey&, ConversionObserver&,
                                          const PathString&) {
        m_plainLength = length;
        m_filler = FillerFormFor(length);
        return std::nullopt;
    }

    uint64_t BodyLength() const { return m_plainLength; }

    bool WriteLead(TempOutput& output, const FileKey& key, uint64_t* written) {
        EncHeader header = BuildPlainHeader(m_storedName, PadCountFor(m_plainLength));
        AesEncryptBlocks(key.context(), header.data(), header.data(), ENC_HEADER_BLOCKS);
        *written += header.size();
        return WriteAll(output, header.data(), header.size());
    }

    size_t ConvertChunk(const FileKey& key, uint8_t* chunk, size_t n, bool last) {
        return EncipherChunk(key, chunk, n, last, m_filler);
    }

    bool WriteTail(TempOutput& output, const uint8_t* lastChunk, size_t written) {
        return WriteFillerIfLastBlockIsAmbiguous(output, lastChunk, written, m_filler);
    }

    NameParts OutputName() const { return ContainerNameParts(m_storedName); }

private:
    Utf16String m_storedName;
    uint64_t m_plainLength = 0;
    FillerForm m_filler = FillerForm::None;
};

// Decrypting: the header is read and checked before anything is written; the last chunk loses its filler.
class Decipherment {
public:
    static constexpr OutputKind kOutputKind = OutputKind::Restored;

    std::optional<ConvertOutcome> RefuseName(PathView name) {
        if (!IsContainerName(name)) {
            return ConvertOutcome::SkippedNotContainer;
        }
        auto name16 = PathToUtf16(name);
        if (!name16) {
            return ConvertOutcome::BadPath;
        }
        m_containerName = std::move(*name16);
        return std::nullopt;
    }

    std::optional<ConvertResult> ReadLead(SourceFile& source, uint64_t length, const FileKey& key,
                                          ConversionObserver& caller, const PathString& path) {
        if (length < ENC_HEADER_SIZE) {
            return Failed(ConvertOutcome::Damaged);
        }
        EncHeader header;
        if (!ReadExactly(source, header.data(), header.size())) {
            return Failed(ConvertOutcome::SourceUnreadable);
        }
        AesDecryptBlocks(key.context(), header.data(), header.data(), ENC_HEADER_BLOCKS);
        if (!HasHeaderMagic(header)) {
            caller.WrongPassword(path);
            return Failed(ConvertOutcome::WrongPassword);
        }
        m_bodyLength = length - ENC_HEADER_SIZE;
        m_padCount = PadCountOf(header);
        if (!BodyIsConsistent(m_bodyLength, m_padCount)) {
            return Failed(ConvertOutcome::Damaged);
        }
        m_restoredName = SanitizeStoredName(StoredNameOf(header), m_containerName, kPlatformNameRules);
        return std::nullopt;
    }

    uint64_t BodyLength() const { return m_bodyLength; }

    bool WriteLead(TempOutput&, const FileKey&, uint64_t*) { return true; }

    size_t ConvertChunk(const FileKey& key, uint8_t* chunk, size_t n, bool last) {
        size_t toWrite = n;
        if (last) {
            // n >= 16 here: the body is whole blocks and not empty, and the filler is at most one block.
            const bool lastBlockIsRawZero = IsAllZero(chunk + n - ENC_BLOCK_SIZE, ENC_BLOCK_SIZE);
            toWrite = n - static_cast<size_t>(FillerLengthOnRead(m_bodyLength, m_padCount, lastBlockIsRawZero));
        }
        AesDecryptBlocks(key.context(), chunk, chunk, n / ENC_BLOCK_SIZE);
        return toWrite;
    }

    bool WriteTail(TempOutput&, const uint8_t*, size_t) { return true; }

    NameParts OutputName() const { return RestoredNameParts(m_restoredName); }

private:
    Utf16String m_containerName;
    Utf16String m_restoredName;
    uint64_t m_bodyLength = 0;
    uint8_t m_padCount = 0;
};

WrittenConversion Ended(ConvertResult result) {
    return WrittenConversion{std::nullopt, std::move(result)};
}

// The write phase, alike for both directions but for what Way does.
template <typename Way>
WrittenConversion WriteOutput(Way way, const HeldFolder& folder, PathView name, const Utf16Char* password,
                              ConversionObserver* observer) {
    if (name.empty() || password == nullptr) {
        return Ended(Failed(ConvertOutcome::BadPath));
    }
    SilentObserver silent;
    ConversionObserver& caller = observer != nullptr ? *observer : silent;
    if (const auto refused = way.RefuseName(name)) {
        return Ended(Failed(*refused));
    }
    const FileKey key(password);

    ConvertResult refusal;
    std::unique_ptr<SourceFile> source = OpenSource(folder, name, &refusal);
    if (!source) {
        return Ended(refusal);
    }
    const PathString path = folder.ChildPath(name);
    const uint64_t length = source->size();
    if (length == 0) {
        return Ended(Failed(ConvertOutcome::SkippedEmpty));
    }
    caller.FileStarted(path, length);
    if (auto ended = way.ReadLead(*source, length, key, caller, path)) {
        return Ended(std::move(*ended));
    }

    // A file shorter than a chunk needs room for itself and the filler block only: a buffer of a whole
    // chunk, allocated and wiped for each of many small files, would cost more than their conversion.
    const auto pieceSize = static_cast<size_t>(std::min<uint64_t>(length + ENC_BLOCK_SIZE, ENC_CHUNK_SIZE));
    std::optional<TempOutput> output; // declared first: it outlives the pipeline's thread
    uint64_t written = 0;
    auto pipeline =
        PiecePipeline::Create(way.BodyLength(), pieceSize, [&](const uint8_t* piece, size_t toWrite, bool last) {
            if (!WriteAll(*output, piece, toWrite)) {
                return false;
            }
            written += toWrite;
            return !last || way.WriteTail(*output, piece, toWrite);
        });
    if (!pipeline) {
        return Ended(Failed(ConvertOutcome::OutOfMemory));
    }
    ClearSystemError();
    auto created = TempOutput::Create(folder, *source, Way::kOutputKind);
    if (!created) {
        return Ended(FailedCall(ConvertOutcome::OutputFailed));
    }
    output.emplace(std::move(*created));
    ClearSystemError();
    if (!way.WriteLead(*output, key, &written)) {
        return Ended(FailedCall(ConvertOutcome::OutputFailed));
    }

    // Each piece is read, reported, checked and converted here; its write may still be on the way while
    // the next one is read.
    uint64_t remaining = way.BodyLength();
    while (remaining > 0) {
        uint8_t* piece = pipeline->NextBuffer();
        if (piece == nullptr) {
            return Ended(FailedWith(ConvertOutcome::OutputFailed, pipeline->OutputError()));
        }
        const auto n = static_cast<size_t>(std::min<uint64_t>(remaining, ENC_CHUNK_SIZE));
        if (!ReadExactly(*source, piece, n)) {
            return Ended(FailedCall(ConvertOutcome::SourceUnreadable));
        }
        caller.ChunkDone(n);
        if (caller.StopRequested()) {
            return Ended(Failed(ConvertOutcome::Interrupted));
        }
        if (source->OpenedForWriting()) {
            return Ended(Failed(ConvertOutcome::SourceInUse)); // what is read now may be half of someone's write
        }
        remaining -= n;
        pipeline->Submit(way.ConvertChunk(key, piece, n, remaining == 0), remaining == 0);
    }
    if (!pipeline->Finish()) {
        return Ended(FailedWith(ConvertOutcome::OutputFailed, pipeline->OutputError()));
    }
    if (!AtEndOfFile(*source)) {
        return Ended(FailedCall(ConvertOutcome::SourceUnreadable));
    }
    if (caller.StopRequested()) {
        return Ended(Failed(ConvertOutcome::Interrupted));
    }
    if (source->OpenedForWriting()) {
        return Ended(Failed(ConvertOutcome::SourceInUse));
    }
    if (!output->PassOnMetadata()) {
        return Ended(FailedCall(ConvertOutcome::OutputFailed));
    }
    return WrittenConversion{
        PendingConversion(folder, std::move(source), std::move(*output), way.OutputName(), written), ConvertResult{}};
}

// A single conversion: its write phase, finished as a batch of one.
ConvertResult FinishAlone(WrittenConversion written) {
    if (!written.pending) {
        return std::move(written.result);
    }
    ConversionBatch batch;
    batch.Add(std::move(*written.pending));
    return std::move(batch.Finish().front());
}

} // namespace

WrittenConversion WriteContainer(const HeldFolder& folder, PathView name, const Utf16Char* password,
                                 ConversionObserver* observer) {
    return WriteOutput(Encipherment(), folder, name, password, observer);
}

WrittenConversion WriteRestored(const HeldFolder& folder, PathView containerName, const Utf16Char* password,
                                ConversionObserver* observer) {
    return WriteOutput(Decipherment(), folder, containerName, password, observer);
}

ConvertResult EncryptEntry(const HeldFolder& folder, PathView name, const Utf16Char* password,
                           ConversionObserver* observer) {
    return FinishAlone(WriteContainer(folder, name, password, observer));
}

ConvertResult DecryptEntry(const HeldFolder& folder, PathView containerName, const Utf16Char* password,
                           ConversionObserver* observer) {
    return FinishAlone(WriteRestored(folder, containerName, password, observer));
}

ConvertResult EncryptToContainer(const PathChar* path, const Utf16Char* password, ConversionObserver* observer) {
    PathString name;
    ConvertResult refusal;
    const auto folder = ParentOf(path, &name, &refusal);
    return folder ? EncryptEntry(*folder, name, password, observer) : refusal;
}

ConvertResult DecryptFromContainer(const PathChar* path, const Utf16Char* password, ConversionObserver* observer) {
    if (path != nullptr && *path != 0 && !IsContainerName(path)) {
        return Failed(ConvertOutcome::SkippedNotContainer);
    }
    PathString name;
    ConvertResult refusal;
    const auto folder = ParentOf(path, &name, &refusal);
    return folder ? DecryptEntry(*folder, name, password, observer) : refusal;
}

int EncryptOneFile(const PathChar* path, const Utf16Char* password) {
    const ConvertOutcome outcome = EncryptToContainer(path, password).outcome;
    return ConvertedAtAll(outcome) ? 1 : 0;
}

int DecryptOneFile(const PathChar* path, const Utf16Char* password) {
    const ConvertOutcome outcome = DecryptFromContainer(path, password).outcome;
    return ConvertedAtAll(outcome) ? 1 : 0;
}
