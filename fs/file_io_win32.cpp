// The file layer on Windows, relative to the open folder. The source is looked at without following a
// reparse point (a link is refused), then opened for its data (a cloud placeholder gives its content, not
// its stub) and taken only when it is the same file; it is held without sharing but for reading, so nobody
// changes, renames or deletes it meanwhile, and deleted through that handle. The output is created marked
// for deletion, so no crash leaves it behind, and the mark is cleared only as it is renamed into place.
// Before its data is flushed it takes what its source carries besides its bytes: the Mark of the Web (a
// stream, which a rename moves with its file), the dates, and the hidden and not-indexed attributes.
#include "file_io.h"

#include <windows.h>
#include <winternl.h>

#include <string>
#include <string_view>

#include "access_rules_win32.h"
#include "fault_injection.h"
#include "nt_file.h"
#include "temp_files.h"
#include "zone_mark.h"

namespace {

constexpr int kCreateAttempts = 16;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool QueryIdentity(HANDLE file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        return false;
    }
    identity->volume = info.dwVolumeSerialNumber;
    identity->fileIndex = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity->size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity->modified = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                              info.ftLastWriteTime.dwLowDateTime);
    identity->links = info.nNumberOfLinks;
    return true;
}

// What the name holds now, looked at without following a reparse point: its file ID, when it is a regular
// file and not a link.
std::optional<FileId> RegularFileAt(const HeldFolder& folder, PathView name) {
    const FileHandle entry = OpenEntryUnfollowed(folder.handle(), name);
    const auto tag = entry ? ReadAttributeTag(entry.get()) : std::nullopt;
    if (!tag) {
        return std::nullopt;
    }
    if (KindFromAttributes(tag->attributes, tag->reparseTag) != EntryKind::File) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return std::nullopt;
    }
    return ReadNativeFileId(entry.get());
}

// A file's Mark of the Web: the stream Windows gives what came from elsewhere.
constexpr wchar_t kZoneStream[] = L":Zone.Identifier";
constexpr size_t kLongestMark = 64 * 1024;

// The file's mark, opened relative to its own handle; Wine refuses that (it keeps a stream as a file of
// its own beside the file), so the name relative to the folder is what remains.
FileHandle OpenZoneStream(HANDLE folder, HANDLE file, PathView fileName, ACCESS_MASK access, ULONG disposition) {
    constexpr ULONG kOptions = FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
    FileHandle stream = OpenRelative(file, kZoneStream, access, kShareAll, disposition, kOptions);
    const DWORD error = GetLastError();
    if (stream || error == ERROR_FILE_NOT_FOUND) {
        return stream;
    }
    return OpenRelative(folder, PathString(fileName) + kZoneStream, access, kShareAll, disposition, kOptions);
}

// The text of the source's mark: empty when it has none; nullopt (the system error set) when it has one
// that cannot be read.
std::optional<std::string> ReadZoneMark(const HeldFolder& folder, const SourceFile& source) {
    const FileHandle stream = OpenZoneStream(folder.handle(), source.handle(), source.name(), GENERIC_READ, FILE_OPEN);
    if (!stream) {
        const DWORD error = GetLastError();
        // Not found, or a volume that keeps no streams (FAT, some shares): no mark.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_NAME || error == ERROR_NOT_SUPPORTED ||
            error == ERROR_INVALID_FUNCTION) {
            return std::string();
        }
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(stream.get(), buffer, sizeof buffer, &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, got);
        if (text.size() > kLongestMark) {
            SetLastError(ERROR_FILE_TOO_LARGE); // no mark is that long: not one to carry blindly
            return std::nullopt;
        }
    }
    return text;
}

// Through the output's own handle, else by its temporary name, before it has its final name: a rename
// moves a file's streams with it.
bool WriteZoneMark(const HeldFolder& folder, HANDLE output, PathView outputName, std::string_view text) {
    const FileHandle stream = OpenZoneStream(folder.handle(), output, outputName, GENERIC_WRITE, FILE_OVERWRITE_IF);
    if (!stream) {
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(stream.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        if (GetLastError() == ERROR_SUCCESS) {
            SetLastError(ERROR_WRITE_FAULT);
        }
        return false;
    }
    return FlushFileBuffers(stream.get()) != 0;
}

// The source's dates, so that a round trip keeps them, and the attributes that say how it is to be shown
// and indexed. Read-only does not travel: a read-only output could not be deleted through its handle, so
// a failed move would leave it behind, and its own conversion later could not remove it.
bool PassOnTimesAndAttributes(HANDLE source, HANDLE output) {
    constexpr DWORD kTravelling = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO from{};
    if (!GetFileInformationByHandleEx(source, FileBasicInfo, &from, sizeof from)) {
        return false;
    }
    FILE_BASIC_INFO info{};
    info.CreationTime = from.CreationTime;
    info.LastAccessTime = from.LastAccessTime;
    info.LastWriteTime = from.LastWriteTime;
    info.ChangeTime.QuadPart = 0; // left to the system
    // Archive, as any new file: it has not been backed up.
    info.FileAttributes = (from.FileAttributes & kTravelling) | FILE_ATTRIBUTE_ARCHIVE;
    return SetFileInformationByHandle(output, FileBasicInfo, &info, sizeof info) != 0;
}

} // namespace

std::optional<SourceFile> SourceFile::Open(const HeldFolder& folder, PathView name, OpenRefusal* why) {
    *why = OpenRefusal::Unreadable;
    if (CheckFault(FileOp::OpenSource) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    const auto looked = RegularFileAt(folder, name);
    if (!looked) {
        if (GetLastError() == ERROR_CANT_ACCESS_FILE) {
            *why = OpenRefusal::NotRegular;
        }
        return std::nullopt;
    }
    // DELETE access lets the conversion delete the file through this handle; without FILE_SHARE_DELETE a
    // second conversion cannot take it too. A file whose deletion is not allowed is still read.
    constexpr ULONG kOptions = FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
    FileHandle file = OpenRelative(folder.handle(), name, GENERIC_READ | DELETE, FILE_SHARE_READ, FILE_OPEN, kOptions);
    if (!file && GetLastError() == ERROR_ACCESS_DENIED) {
        file = OpenRelative(folder.handle(), name, GENERIC_READ, FILE_SHARE_READ, FILE_OPEN, kOptions);
    }
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    FileIdentity identity;
    if (!QueryIdentity(file.get(), &identity) || FileId{identity.volume, identity.fileIndex} != *looked) {
        SetLastError(ERROR_CANT_ACCESS_FILE); // the name was given to another file between the two opens
        return std::nullopt;
    }
    return SourceFile(std::move(file), PathString(name), identity, false);
}

// Held without write sharing, nobody can open the file for writing meanwhile.
bool SourceFile::OpenedForWriting() {
    return false;
}

// Held without delete sharing, nobody can rename or delete the file meanwhile.
bool SourceFile::StillLinked() const {
    return true;
}

std::optional<size_t> SourceFile::Read(uint8_t* buffer, size_t count) {
    const auto allowed = SeamReadLimit(count);
    if (!allowed) {
        return std::nullopt;
    }
    count = *allowed;
    DWORD got = 0;
    if (!ReadFile(m_file.get(), buffer, static_cast<DWORD>(count), &got, nullptr)) {
        return std::nullopt;
    }
    return static_cast<size_t>(got);
}

std::optional<TempOutput> TempOutput::Create(const HeldFolder& folder, const SourceFile& source, OutputKind kind) {
    if (CheckFault(FileOp::CreateTemp) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        PathString name = MakeEngineTempName();
        // WRITE_DAC, which a file's owner always has, lets the source's own access list be set on it; the
        // right to give the file to another owner is not asked for, since most users do not have it.
        FileHandle file = OpenRelative(folder.handle(), name, GENERIC_WRITE | DELETE | WRITE_DAC, FILE_SHARE_READ,
                                       FILE_CREATE, FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY);
        if (!file) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
                continue;
            }
            return std::nullopt;
        }
        // Deleted with its last handle, whenever and however the process ends, until it is moved into place.
        SetDeleteDisposition(file.get(), true);
        if (!PassOnAccessRules(source.handle(), file.get())) {
            return std::nullopt; // the disposition removes it
        }
        return TempOutput(folder, std::move(file), std::move(name), source, kind);
    }
    return std::nullopt;
}

TempOutput::~TempOutput() {
    if (m_moved || !m_file) {
        return;
    }
    // The disposition set at creation deletes the file as the handle closes; a test can make that fail.
    if (CheckFault(FileOp::RemoveTemp) != FaultDecision::Proceed) {
        SetDeleteDisposition(m_file.get(), false);
    }
}

size_t TempOutput::Write(const uint8_t* data, size_t size) {
    const auto allowed = SeamWriteLimit(size);
    if (!allowed) {
        SetLastError(ERROR_DISK_FULL); // as a full disk fails it
        return 0;
    }
    const size_t limit = *allowed;
    size_t written = 0;
    while (written < limit) {
        DWORD count = 0;
        if (!WriteFile(m_file.get(), data + written, static_cast<DWORD>(limit - written), &count, nullptr) ||
            count == 0) {
            break;
        }
        written += count;
    }
    return written;
}

bool TempOutput::Flush() {
    if (CheckFault(FileOp::Flush) != FaultDecision::Proceed) {
        return false;
    }
    return FlushFileBuffers(m_file.get()) != 0;
}

// The access rules were passed on at creation (PassOnAccessRules). The mark comes before the times, since
// writing a stream counts as writing the file.
bool TempOutput::PassOnMetadata() {
    if (CheckFault(FileOp::PassOnMetadata) != FaultDecision::Proceed) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    const auto mark = ReadZoneMark(*m_folder, *m_from);
    if (!mark) {
        return false;
    }
    if (!mark->empty()) {
        // The URLs of a source's mark would tell where the file came from: its container keeps the zone.
        const std::string text = m_kind == OutputKind::Container ? ZoneOnlyMark(*mark) : *mark;
        // Windows refuses new opens of a file whose deletion is pending, its streams included: the
        // disposition is lifted for the write and put back after, whatever the write gave.
        if (!SetDeleteDisposition(m_file.get(), false)) {
            return false;
        }
        const bool written = WriteZoneMark(*m_folder, m_file.get(), m_name, text);
        const DWORD error = GetLastError();
        const bool pending = SetDeleteDisposition(m_file.get(), true);
        if (!written) {
            SetLastError(error);
            return false;
        }
        if (!pending) {
            return false;
        }
    }
    return PassOnTimesAndAttributes(m_from->handle(), m_file.get());
}

MoveResult TempOutput::MoveTo(PathView name) {
    if (CheckFault(FileOp::Rename) != FaultDecision::Proceed) {
        return MoveResult::Failed;
    }
    // A file marked for deletion cannot be renamed: the mark goes just before, and comes back when the
    // rename fails.
    if (!SetDeleteDisposition(m_file.get(), false)) {
        return MoveResult::Failed;
    }
    if (!RenameInto(m_file.get(), m_folder->handle(), name)) {
        const DWORD error = GetLastError();
        SetDeleteDisposition(m_file.get(), true);
        SetLastError(error);
        return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) ? MoveResult::NameTaken
                                                                             : MoveResult::Failed;
    }
    m_moved = true;
    m_name = PathString(name);
    return MoveResult::Moved;
}

bool TempOutput::SyncFolder() {
    if (CheckFault(FileOp::SyncFolder) != FaultDecision::Proceed) {
        return false;
    }
    // Flushing the renamed file writes its metadata, the new name included, through to the disk.
    return FlushFileBuffers(m_file.get()) != 0;
}

SourceRemoval RemoveIfStillTheSource(const HeldFolder& folder, PathView name, SourceFile& source, PathString*) {
    if (CheckFault(FileOp::DeleteSource) != FaultDecision::Proceed) {
        return SourceRemoval::Kept;
    }
    const FileIdentity& identity = source.identity();
    const auto now = RegularFileAt(folder, name);
    if (!now) {
        const DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? SourceRemoval::MovedAway
                                                                                : SourceRemoval::Kept;
    }
    if (*now != FileId{identity.volume, identity.fileIndex}) {
        SetLastError(ERROR_SUCCESS);
        return SourceRemoval::Kept;
    }
    // Through the handle the file was read by, when it has DELETE access; else through a new one.
    if (SetDeleteDisposition(source.handle(), true)) {
        return SourceRemoval::Removed;
    }
    const FileHandle entry = OpenRelative(folder.handle(), name, DELETE | FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN,
                                          FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    if (!entry || ReadNativeFileId(entry.get()) != FileId{identity.volume, identity.fileIndex} ||
        !SetDeleteDisposition(entry.get(), true)) {
        return SourceRemoval::Kept;
    }
    return SourceRemoval::Removed;
}

MoveResult MoveEntry(const HeldFolder& folder, PathView from, PathView to) {
    const FileHandle entry = OpenRelative(folder.handle(), from, DELETE | FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN,
                                          FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    if (!entry) {
        return MoveResult::Failed;
    }
    if (RenameInto(entry.get(), folder.handle(), to)) {
        return MoveResult::Moved;
    }
    const DWORD error = GetLastError();
    return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) ? MoveResult::NameTaken : MoveResult::Failed;
}
