// The last failed system call's error code, and plain words for it that a user can act on.
#pragma once

#include <string>

#include "path_text.h"

// errno on POSIX, GetLastError() on Windows.
int LastSystemError();
// Clears it, so that a later read tells whether the calls in between failed.
void ClearSystemError();

// True for the error that says a name does not exist (ENOENT; ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND).
bool IsNoSuchEntryError(int code);

// The error a walk reports for a folder it could not come back to: the folder (or one on the way) was
// moved or replaced while the walk was below it. POSIX ESTALE; Windows ERROR_FILE_INVALID.
int FolderMovedError();
// The error for a folder whose path is longer than the system can open (Windows: 32,767 units).
int PathTooDeepError();

// Words for an error code, such as "permission denied" or "no space left on the disk"; empty for 0.
std::string SystemErrorText(int code);
// The same for an error met on the file at path, or in the folder that holds it: "operation not permitted"
// from a file or folder that is marked immutable or append-only says so.
std::string SystemErrorTextAt(int code, const PathString& path);
