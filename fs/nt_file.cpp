// The native calls of the Windows file layer (contract in nt_file.h). Under Wine 8 a rename with a root
// directory works through NtSetInformationFile, not through SetFileInformationByHandle.
#include "nt_file.h"

#include <winternl.h>

#include <cstring>
#include <vector>

namespace {

bool Succeeded(NTSTATUS status) {
    if (status >= 0) {
        return true;
    }
    SetLastError(RtlNtStatusToDosError(status));
    return false;
}

} // namespace

FileHandle OpenRelative(HANDLE folder, PathView name, ACCESS_MASK access, ULONG share, ULONG disposition,
                        ULONG options) {
    PathString text(name);
    UNICODE_STRING objectName{};
    objectName.Buffer = text.data();
    objectName.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE file = nullptr;
    const NTSTATUS status = NtCreateFile(&file, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                         share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!Succeeded(status)) {
        return FileHandle();
    }
    return FileHandle(file);
}

FileHandle OpenEntryUnfollowed(HANDLE folder, PathView name) {
    return OpenRelative(folder, name, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        FILE_OPEN, FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT);
}

std::optional<AttributeTag> ReadAttributeTag(HANDLE file) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &info, sizeof info)) {
        return std::nullopt;
    }
    return AttributeTag{info.FileAttributes, info.ReparseTag};
}

std::optional<FileId> ReadNativeFileId(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        return std::nullopt;
    }
    return FileId{info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool RenameInto(HANDLE file, HANDLE folder, PathView name) {
    const size_t nameBytes = name.size() * sizeof(wchar_t);
    // The name runs on past the end of the declared structure.
    const size_t infoBytes = offsetof(FILE_RENAME_INFORMATION, FileName) + nameBytes + sizeof(wchar_t);
    std::vector<uint64_t> storage((std::max(infoBytes, sizeof(FILE_RENAME_INFORMATION)) + 7) / 8, 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(storage.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(nameBytes);
    std::memcpy(reinterpret_cast<uint8_t*>(rename) + offsetof(FILE_RENAME_INFORMATION, FileName), name.data(),
                nameBytes);
    IO_STATUS_BLOCK io{};
    return Succeeded(NtSetInformationFile(file, &io, rename, static_cast<ULONG>(storage.size() * sizeof(uint64_t)),
                                          FileRenameInformation));
}

bool SetDeleteDisposition(HANDLE file, bool deleteOnClose) {
    FILE_DISPOSITION_INFORMATION disposition{};
    disposition.DoDeleteFile = deleteOnClose ? TRUE : FALSE;
    IO_STATUS_BLOCK io{};
    return Succeeded(NtSetInformationFile(file, &io, &disposition, sizeof disposition, FileDispositionInformation));
}
