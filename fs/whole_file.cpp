// Whole-file reads and the held-file probe (contract in whole_file.h).
#include "whole_file.h"

#ifdef _WIN32
#include <windows.h>

#include "full_path.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>

#include "unique_handle.h"

std::optional<std::vector<uint8_t>> ReadWholeFile(const PathString& path, size_t limit) {
#ifdef _WIN32
    const FileHandle file(CreateFileW(LongFormPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length{};
    const int64_t size = file && GetFileSizeEx(file.get(), &length) ? length.QuadPart : -1;
#else
    const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    const int64_t size = file ? ::lseek(file.get(), 0, SEEK_END) : -1;
    if (size > 0 && ::lseek(file.get(), 0, SEEK_SET) != 0) {
        return std::nullopt;
    }
#endif
    if (size <= 0 || static_cast<uint64_t>(size) > limit) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    size_t filled = 0;
    while (filled < bytes.size()) {
#ifdef _WIN32
        DWORD got = 0;
        const DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes.size() - filled, 1u << 30));
        if (!ReadFile(file.get(), bytes.data() + filled, ask, &got, nullptr)) {
            return std::nullopt;
        }
#else
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
#endif
        if (got == 0) {
            return std::nullopt; // shorter than it said: never taken for the whole file
        }
        filled += static_cast<size_t>(got);
    }
    return bytes;
}

#ifdef _WIN32
bool IsHeldByAnotherProgram(const PathString& path) {
    const FileHandle probe(CreateFileW(LongFormPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}
#endif
