// The file layer on Windows: wide calls on "\\?\" paths (any length), the source shared for reading only,
// the temporary output held without FILE_SHARE_DELETE and renamed through its own handle without
// replacing, deletion through a handle after checking that the file is still the one that was read.
#include "file_io.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "fault_injection.h"
#include "full_path.h"
#include "temp_files.h"

namespace {

constexpr int kCreateAttempts = 16;

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
    identity->permissions = 0;
    return true;
}

bool SameFile(const FileIdentity& left, const FileIdentity& right) {
    return left.volume == right.volume && left.fileIndex == right.fileIndex && left.size == right.size &&
           left.modified == right.modified;
}

bool MarkForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

} // namespace

bool FileHandle::valid() const {
    return m_file != INVALID_HANDLE_VALUE && m_file != nullptr;
}

NativeFile FileHandle::Invalid() {
    return INVALID_HANDLE_VALUE;
}

NativeFile FileHandle::release() {
    const NativeFile file = m_file;
    m_file = Invalid();
    return file;
}

void FileHandle::reset() {
    if (valid()) {
        CloseHandle(m_file);
    }
    m_file = Invalid();
}

std::optional<SourceFile> SourceFile::Open(const PathString& path) {
    if (CheckFault(FileOp::OpenSource) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    // Others may read while the file is converted, but nobody may change, rename or delete it.
    FileHandle file(CreateFileW(LongFormPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    FileIdentity identity;
    if (!QueryIdentity(file.get(), &identity)) {
        return std::nullopt;
    }
    return SourceFile(std::move(file), identity);
}

std::optional<size_t> SourceFile::Read(uint8_t* buffer, size_t count) {
    switch (CheckFault(FileOp::Read)) {
    case FaultDecision::Fail:
        return std::nullopt;
    case FaultDecision::Short:
        count = count > 1 ? count / 2 : count;
        break;
    case FaultDecision::Proceed:
        break;
    }
    DWORD got = 0;
    if (!ReadFile(m_file.get(), buffer, static_cast<DWORD>(count), &got, nullptr)) {
        return std::nullopt;
    }
    return static_cast<size_t>(got);
}

std::optional<TempOutput> TempOutput::Create(const PathString& folder, const FileIdentity& permissionsFrom) {
    if (CheckFault(FileOp::CreateTemp) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        PathString path = folder + MakeEngineTempName();
        // DELETE access lets the handle rename and delete its own file; leaving out FILE_SHARE_DELETE makes
        // every other attempt to delete it fail while it is held, which is how a later batch knows that
        // this temporary is not a leftover.
        FileHandle file(CreateFileW(LongFormPath(path).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.valid()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
                continue;
            }
            return std::nullopt;
        }
        return TempOutput(std::move(file), folder, std::move(path), permissionsFrom.permissions);
    }
    return std::nullopt;
}

TempOutput::TempOutput(TempOutput&& other) noexcept
    : m_file(std::move(other.m_file)), m_folder(std::move(other.m_folder)), m_path(std::move(other.m_path)),
      m_permissions(other.m_permissions), m_moved(other.m_moved) {
    other.m_moved = true;
}

TempOutput::~TempOutput() {
    if (!m_moved && m_file.valid() && CheckFault(FileOp::RemoveTemp) == FaultDecision::Proceed) {
        MarkForDeletion(m_file.get());
    }
}

size_t TempOutput::Write(const uint8_t* data, size_t size) {
    size_t limit = size;
    switch (CheckFault(FileOp::Write)) {
    case FaultDecision::Fail:
        SetLastError(ERROR_DISK_FULL);
        return 0;
    case FaultDecision::Short:
        limit = size / 2;
        break;
    case FaultDecision::Proceed:
        break;
    }
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

MoveResult TempOutput::MoveTo(const PathString& finalPath) {
    if (CheckFault(FileOp::Rename) != FaultDecision::Proceed) {
        return MoveResult::Failed;
    }
    // Renaming through the handle keeps the file held (no window in which another batch could take it for
    // a leftover), and ReplaceIfExists = FALSE makes an existing name fail instead of being overwritten.
    const PathString target = LongFormPath(finalPath);
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    // The name runs on past the end of the declared structure, terminator included.
    const size_t infoBytes = offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t);
    std::vector<uint64_t> storage((std::max(infoBytes, sizeof(FILE_RENAME_INFO)) + 7) / 8, 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(reinterpret_cast<uint8_t*>(rename) + offsetof(FILE_RENAME_INFO, FileName), target.c_str(), nameBytes);
    const DWORD infoSize = static_cast<DWORD>(storage.size() * sizeof(uint64_t));
    if (!SetFileInformationByHandle(m_file.get(), FileRenameInfo, rename, infoSize)) {
        const DWORD error = GetLastError();
        return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) ? MoveResult::NameTaken
                                                                             : MoveResult::Failed;
    }
    m_moved = true;
    m_path = finalPath;
    return MoveResult::Moved;
}

bool TempOutput::SyncFolder() {
    if (CheckFault(FileOp::SyncFolder) != FaultDecision::Proceed) {
        return false;
    }
    // Flushing the renamed file writes its metadata, the new name included, through to the disk.
    return FlushFileBuffers(m_file.get()) != 0;
}

bool DeleteIfSameFile(const PathString& path, const FileIdentity& identity) {
    if (CheckFault(FileOp::DeleteSource) != FaultDecision::Proceed) {
        return false;
    }
    // FILE_FLAG_OPEN_REPARSE_POINT: a symbolic link under the name is not the file that was read (its
    // identity differs), and stays.
    FileHandle file(CreateFileW(LongFormPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        return false;
    }
    FileIdentity current;
    if (!QueryIdentity(file.get(), &current) || !SameFile(current, identity)) {
        return false;
    }
    return MarkForDeletion(file.get());
}

UnheldRemoval RemoveFileIfUnheld(const PathString& path) {
    FileHandle file(CreateFileW(LongFormPath(path).c_str(), DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        return GetLastError() == ERROR_SHARING_VIOLATION ? UnheldRemoval::InUse : UnheldRemoval::Failed;
    }
    return MarkForDeletion(file.get()) ? UnheldRemoval::Removed : UnheldRemoval::Failed;
}
