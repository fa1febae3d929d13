// The native calls behind the Windows file layer: an entry opened relative to its open folder (the Win32
// calls take whole paths only), its attributes and reparse tag, its file ID, renaming into a folder and
// the delete disposition, all through handles. Failures set the thread's last error like Win32 calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "file_id.h"
#include "path_text.h"
#include "unique_handle.h"

// Opens name relative to the folder handle with NtCreateFile. disposition is FILE_OPEN or FILE_CREATE;
// options are NtCreateFile's create options (FILE_SYNCHRONOUS_IO_NONALERT is always added, so SYNCHRONIZE
// is too). An empty handle on failure.
FileHandle OpenRelative(HANDLE folder, PathView name, ACCESS_MASK access, ULONG share, ULONG disposition,
                        ULONG options);

// The entry itself, a reparse point included, opened only to look at it (any sharing allowed).
FileHandle OpenEntryUnfollowed(HANDLE folder, PathView name);

struct AttributeTag {
    DWORD attributes = 0;
    DWORD reparseTag = 0;
};
std::optional<AttributeTag> ReadAttributeTag(HANDLE file);

// The identity (volume serial number and file index) of an open file.
std::optional<FileId> ReadNativeFileId(HANDLE file);

// Renames the open file to name in the folder, never replacing: ERROR_ALREADY_EXISTS when the name is taken.
bool RenameInto(HANDLE file, HANDLE folder, PathView name);

// Sets or clears the file's delete disposition: set, it is deleted when its last handle closes.
bool SetDeleteDisposition(HANDLE file, bool deleteOnClose);
