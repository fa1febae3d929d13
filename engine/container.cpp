// EncryptToContainer and DecryptFromContainer: one plain file into one container beside it, and back. Each reads as the
// procedure goes: make the key, check the source, write the header, run the chunks, finish. The output
// is written under a temporary name, flushed, and only then moved to a free final name; the source goes
// last. Every early return releases what was taken (the temporary output removes itself).
#include "container.h"

#include <algorithm>

#include "chunk_buffer.h"
#include "container_layout.h"
#include "enc_names.h"
#include "file_io.h"
#include "file_key.h"
#include "system_error.h"

namespace {

// The observer of a caller that gave none: silent, and never asks to stop.
class SilentObserver final : public ConversionObserver {};

// More attempts than any folder sensibly holds copies of one name.
constexpr unsigned kMaxNameAttempts = 9999;

ConvertResult Failed(ConvertOutcome outcome) {
    ConvertResult result;
    result.outcome = outcome;
    return result;
}

// A failure of a system call: the result carries its error, read before anything else can change it.
ConvertResult FailedCall(ConvertOutcome outcome) {
    ConvertResult result;
    result.outcome = outcome;
    result.systemError = LastSystemError();
    return result;
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

// Gives a file the first free name that tryName (a move that never replaces) takes, counting attempts from
// firstAttempt: 1 is the name itself, then " (2)", " (3)", ... A name taken by someone else in the meantime
// only moves on to the next. The full path of the name used, or nothing.
template <typename TryName>
std::optional<PathString> TakeFreeName(const HeldFolder& folder, const NameParts& parts, unsigned firstAttempt,
                                       TryName&& tryName) {
    for (unsigned attempt = firstAttempt; attempt <= kMaxNameAttempts; ++attempt) {
        const auto nativeName = Utf16ToPath(CandidateName(parts, attempt, kPlatformNameRules));
        if (!nativeName) {
            return std::nullopt;
        }
        switch (tryName(*nativeName)) {
        case MoveResult::Moved:
            return folder.ChildPath(*nativeName);
        case MoveResult::NameTaken:
            continue;
        case MoveResult::Failed:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Moves the finished output to the first free name. Nothing that exists is ever replaced. Gives the full
// path of the name used in finalPath.
bool MoveToFreeName(TempOutput& output, const HeldFolder& folder, const NameParts& parts, PathString* finalPath) {
    auto used = TakeFreeName(folder, parts, 1, [&](const PathString& name) { return output.MoveTo(name); });
    if (used) {
        *finalPath = std::move(*used);
    }
    return used.has_value();
}

// A file that could not go back under its name after being set aside gets a visible free one beside it,
// " (2)" and on as for outputs, so that nobody has to look for it under the engine's private name.
PathString NameSetAsideFile(const HeldFolder& folder, PathView name, const PathString& aside) {
    if (const auto name16 = PathToUtf16(name)) {
        const auto moveAside = [&](const PathString& to) { return MoveEntry(folder, aside, to); };
        if (auto used = TakeFreeName(folder, RestoredNameParts(*name16), 2, moveAside)) {
            return std::move(*used);
        }
    }
    return folder.ChildPath(aside);
}

// The output stands complete under its final name. The source goes only when the new name is durable and
// the source is still the file that was read, unchanged, under its name, with no other name that would keep
// it readable and nobody writing to it.
ConvertResult FinishWithSource(TempOutput& output, const HeldFolder& folder, PathView name, SourceFile& source,
                               PathString finalPath) {
    ConvertResult result;
    result.outcome = ConvertOutcome::ConvertedSourceKept;
    result.outputPath = std::move(finalPath);
    ClearSystemError();
    if (!output.SyncFolder()) {
        result.systemError = LastSystemError();
        return result;
    }
    PathString aside;
    const SourceRemoval removal = DeleteIfSameFile(folder, name, source, &aside);
    result.systemError = LastSystemError();
    switch (removal) {
    case SourceRemoval::Removed:
        result.outcome = ConvertOutcome::Converted;
        result.systemError = 0;
        break;
    case SourceRemoval::MovedAway:
        result.outcome = ConvertOutcome::ConvertedSourceMoved;
        result.movedSourceReadable = source.StillLinked();
        result.systemError = 0;
        break;
    case SourceRemoval::OtherLinks:
        result.otherLinks = source.identity().links > 1 ? source.identity().links - 1 : 1;
        result.systemError = 0;
        break;
    case SourceRemoval::SetAside:
        result.keptSourcePath = NameSetAsideFile(folder, name, aside);
        break;
    case SourceRemoval::InUse:
    case SourceRemoval::Kept:
        break;
    }
    return result;
}

// The source opened relative to its folder; the outcome for a name that cannot be taken.
std::optional<SourceFile> OpenSource(const HeldFolder& folder, PathView name, ConvertResult* refusal) {
    ClearSystemError();
    OpenRefusal why = OpenRefusal::Unreadable;
    auto source = SourceFile::Open(folder, name, &why);
    if (!source) {
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
    }
    return source;
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

} // namespace

ConvertResult EncryptEntry(const HeldFolder& folder, PathView bareName, const Utf16Char* password,
                           ConversionObserver* observer) {
    if (bareName.empty() || password == nullptr) {
        return Failed(ConvertOutcome::BadPath);
    }
    SilentObserver silent;
    ConversionObserver& caller = observer != nullptr ? *observer : silent;
    const FileKey key(password);

    // The header keeps the name in 256 units with its terminator; a name that is not valid UTF-8 (POSIX)
    // has no exact UTF-16 form. Both are refused rather than stored changed.
    const auto storedName = PathToUtf16(bareName);
    if (!storedName || storedName->size() > ENC_NAME_UNITS - 1) {
        return Failed(ConvertOutcome::BadPath);
    }
    ConvertResult refusal;
    auto source = OpenSource(folder, bareName, &refusal);
    if (!source) {
        return refusal;
    }
    const PathString path = folder.ChildPath(bareName);
    const uint64_t plainLength = source->size();
    if (plainLength == 0) {
        return Failed(ConvertOutcome::SkippedEmpty);
    }
    caller.FileStarted(path, plainLength);

    auto buffer = ChunkBuffer::Allocate();
    if (!buffer) {
        return Failed(ConvertOutcome::OutOfMemory);
    }
    ClearSystemError();
    auto output = TempOutput::Create(folder, *source, OutputKind::Container);
    if (!output) {
        return FailedCall(ConvertOutcome::OutputFailed);
    }
    ClearSystemError();

    EncHeader header = BuildPlainHeader(*storedName, PadCountFor(plainLength));
    AesEncryptBlocks(key.context(), header.data(), header.data(), ENC_HEADER_BLOCKS);
    if (!WriteAll(*output, header.data(), header.size())) {
        return FailedCall(ConvertOutcome::OutputFailed);
    }

    const FillerForm filler = FillerFormFor(plainLength);
    uint64_t remaining = plainLength;
    while (remaining > 0) {
        const auto n = static_cast<size_t>(std::min<uint64_t>(remaining, ENC_CHUNK_SIZE));
        if (!ReadExactly(*source, buffer->data(), n)) {
            return FailedCall(ConvertOutcome::SourceUnreadable);
        }
        caller.ChunkDone(n);
        if (caller.StopRequested()) {
            return Failed(ConvertOutcome::Interrupted);
        }
        if (source->OpenedForWriting()) {
            return Failed(ConvertOutcome::SourceInUse); // what is read now may be half of someone's write
        }
        remaining -= n;
        const size_t toWrite = EncipherChunk(key, buffer->data(), n, remaining == 0, filler);
        if (!WriteAll(*output, buffer->data(), toWrite)) {
            return FailedCall(ConvertOutcome::OutputFailed);
        }
        if (remaining == 0 && !WriteFillerIfLastBlockIsAmbiguous(*output, buffer->data(), toWrite, filler)) {
            return FailedCall(ConvertOutcome::OutputFailed);
        }
    }
    if (!AtEndOfFile(*source)) {
        return FailedCall(ConvertOutcome::SourceUnreadable);
    }
    if (caller.StopRequested()) {
        return Failed(ConvertOutcome::Interrupted);
    }
    if (source->OpenedForWriting()) {
        return Failed(ConvertOutcome::SourceInUse);
    }

    if (!output->PassOnMetadata() || !output->Flush()) {
        return FailedCall(ConvertOutcome::OutputFailed);
    }
    PathString finalPath;
    if (!MoveToFreeName(*output, folder, ContainerNameParts(*storedName), &finalPath)) {
        return FailedCall(ConvertOutcome::OutputFailed);
    }
    return FinishWithSource(*output, folder, bareName, *source, std::move(finalPath));
}

ConvertResult DecryptEntry(const HeldFolder& folder, PathView containerName, const Utf16Char* password,
                           ConversionObserver* observer) {
    if (containerName.empty() || password == nullptr) {
        return Failed(ConvertOutcome::BadPath);
    }
    SilentObserver silent;
    ConversionObserver& caller = observer != nullptr ? *observer : silent;
    if (!IsContainerName(containerName)) {
        return Failed(ConvertOutcome::SkippedNotContainer);
    }
    const FileKey key(password);

    const auto containerName16 = PathToUtf16(containerName);
    if (!containerName16) {
        return Failed(ConvertOutcome::BadPath);
    }
    ConvertResult refusal;
    auto source = OpenSource(folder, containerName, &refusal);
    if (!source) {
        return refusal;
    }
    const PathString path = folder.ChildPath(containerName);
    const uint64_t containerLength = source->size();
    if (containerLength == 0) {
        return Failed(ConvertOutcome::SkippedEmpty);
    }
    caller.FileStarted(path, containerLength);
    if (containerLength < ENC_HEADER_SIZE) {
        return Failed(ConvertOutcome::Damaged);
    }

    EncHeader header;
    if (!ReadExactly(*source, header.data(), header.size())) {
        return Failed(ConvertOutcome::SourceUnreadable);
    }
    AesDecryptBlocks(key.context(), header.data(), header.data(), ENC_HEADER_BLOCKS);
    if (!HasHeaderMagic(header)) {
        caller.WrongPassword(path);
        return Failed(ConvertOutcome::WrongPassword);
    }
    const uint64_t bodyLength = containerLength - ENC_HEADER_SIZE;
    const uint8_t padCount = PadCountOf(header);
    if (!BodyIsConsistent(bodyLength, padCount)) {
        return Failed(ConvertOutcome::Damaged);
    }
    const Utf16String restoredName = SanitizeStoredName(StoredNameOf(header), *containerName16, kPlatformNameRules);

    auto buffer = ChunkBuffer::Allocate();
    if (!buffer) {
        return Failed(ConvertOutcome::OutOfMemory);
    }
    ClearSystemError();
    auto output = TempOutput::Create(folder, *source, OutputKind::Restored);
    if (!output) {
        return FailedCall(ConvertOutcome::OutputFailed);
    }
    ClearSystemError();

    uint64_t remaining = bodyLength;
    while (remaining > 0) {
        const auto n = static_cast<size_t>(std::min<uint64_t>(remaining, ENC_CHUNK_SIZE));
        if (!ReadExactly(*source, buffer->data(), n)) {
            return FailedCall(ConvertOutcome::SourceUnreadable);
        }
        caller.ChunkDone(n);
        if (caller.StopRequested()) {
            return Failed(ConvertOutcome::Interrupted);
        }
        if (source->OpenedForWriting()) {
            return Failed(ConvertOutcome::SourceInUse); // what is read now may be half of someone's write
        }
        remaining -= n;
        size_t toWrite = n;
        if (remaining == 0) {
            // n >= 16 here: the body is whole blocks and not empty, and the filler is at most one block.
            const bool lastBlockIsRawZero = IsAllZero(buffer->data() + n - ENC_BLOCK_SIZE, ENC_BLOCK_SIZE);
            toWrite = n - static_cast<size_t>(FillerLengthOnRead(bodyLength, padCount, lastBlockIsRawZero));
        }
        AesDecryptBlocks(key.context(), buffer->data(), buffer->data(), n / ENC_BLOCK_SIZE);
        if (!WriteAll(*output, buffer->data(), toWrite)) {
            return FailedCall(ConvertOutcome::OutputFailed);
        }
    }
    if (!AtEndOfFile(*source)) {
        return FailedCall(ConvertOutcome::SourceUnreadable);
    }
    if (caller.StopRequested()) {
        return Failed(ConvertOutcome::Interrupted);
    }
    if (source->OpenedForWriting()) {
        return Failed(ConvertOutcome::SourceInUse);
    }

    if (!output->PassOnMetadata() || !output->Flush()) {
        return FailedCall(ConvertOutcome::OutputFailed);
    }
    PathString finalPath;
    if (!MoveToFreeName(*output, folder, RestoredNameParts(restoredName), &finalPath)) {
        return FailedCall(ConvertOutcome::OutputFailed);
    }
    return FinishWithSource(*output, folder, containerName, *source, std::move(finalPath));
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

OutcomeKind KindOfOutcome(ConvertOutcome outcome) {
    switch (outcome) {
    case ConvertOutcome::Converted:
        return OutcomeKind::Converted;
    case ConvertOutcome::SkippedEmpty:
    case ConvertOutcome::SkippedNotContainer:
    case ConvertOutcome::NotARegularFile:
        return OutcomeKind::Skipped;
    case ConvertOutcome::ConvertedSourceKept:
    case ConvertOutcome::ConvertedSourceMoved:
    case ConvertOutcome::WrongPassword:
    case ConvertOutcome::Damaged:
    case ConvertOutcome::BadPath:
    case ConvertOutcome::SourceUnreadable:
    case ConvertOutcome::SourceInUse:
    case ConvertOutcome::OutputFailed:
    case ConvertOutcome::OutOfMemory:
    case ConvertOutcome::Interrupted:
        return OutcomeKind::Failed;
    }
    return OutcomeKind::Failed;
}

bool ConvertedAtAll(ConvertOutcome outcome) {
    return outcome == ConvertOutcome::Converted || outcome == ConvertOutcome::ConvertedSourceKept ||
           outcome == ConvertOutcome::ConvertedSourceMoved;
}

int EncryptOneFile(const PathChar* path, const Utf16Char* password) {
    const ConvertOutcome outcome = EncryptToContainer(path, password).outcome;
    return ConvertedAtAll(outcome) ? 1 : 0;
}

int DecryptOneFile(const PathChar* path, const Utf16Char* password) {
    const ConvertOutcome outcome = DecryptFromContainer(path, password).outcome;
    return ConvertedAtAll(outcome) ? 1 : 0;
}
