// File ids on Windows: volume serial number and file index of a handle opened without following a
// final reparse point; folders climbed by the text of a full path, as Windows resolves "..".
#include "file_id.h"

#include <windows.h>

#include "full_path.h"
#include "nt_file.h"
#include "unique_handle.h"

namespace {

std::optional<FileId> IdOf(const PathString& path) {
    // Opening for no access at all reads the identity even of a file that another program holds exclusively.
    const UniqueHandle<FileHandleTraits> file(
        CreateFileW(LongFormPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file ? ReadNativeFileId(file.get()) : std::nullopt;
}

} // namespace

std::optional<FileId> ReadFileId(const PathString& path) {
    return IdOf(path);
}

std::vector<FileId> ContainingFolderIds(const PathString& path) {
    std::vector<FileId> ids;
    PathString folder = MakeFullPath(path).value_or(path);
    for (;;) {
        while (folder.size() > 3 && folder.back() == L'\\') {
            folder.pop_back();
        }
        const size_t separator = folder.rfind(L'\\');
        if (separator == PathString::npos || separator + 1 >= folder.size()) {
            break;
        }
        folder.resize(separator + 1);
        const auto id = IdOf(folder);
        if (!id) {
            break;
        }
        ids.push_back(*id);
    }
    return ids;
}
