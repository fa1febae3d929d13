// Test-side helpers of the engine tests that the shared test files do not give: sparse files, printable
// paths, and the independent container writer.
#include "engine_test_files.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "aes.h"
#include "enc_format.h"
#include "file_key.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef _WIN32

bool MakeSparseFile(const PathString& path, uint64_t length) {
    HANDLE file = CreateFileW(Callable(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length);
    const bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

std::string Printable(PathView path) {
    const auto text = Utf16ToUtf8(path);
    return text ? *text : std::string("<not UTF-16>");
}

#else

bool MakeSparseFile(const PathString& path, uint64_t length) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0) {
        return false;
    }
    const bool ok = ::ftruncate(file, static_cast<off_t>(length)) == 0;
    ::close(file);
    return ok;
}

std::string Printable(PathView path) {
    return std::string(path);
}

#endif

Bytes PatternBytes(size_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<uint8_t>(generator());
    }
    return bytes;
}

bool WriteCraftedContainer(const PathString& path, const CraftedContainer& container) {
    uint8_t key[FILE_KEY_BYTES];
    MakeFileKeyBytes(container.password, key);
    AesContext context{};
    AesSetKey(&context, key, 256);

    Bytes header(ENC_HEADER_SIZE, 0);
    std::memcpy(header.data(), ENC_MAGIC, ENC_MAGIC_SIZE);
    const size_t units = std::min(container.storedName.size(), ENC_NAME_UNITS);
    for (size_t index = 0; index < units; ++index) {
        const auto unit = static_cast<uint16_t>(container.storedName[index]);
        header[ENC_NAME_OFFSET + 2 * index] = static_cast<uint8_t>(unit);
        header[ENC_NAME_OFFSET + 2 * index + 1] = static_cast<uint8_t>(unit >> 8);
    }
    if (!container.terminateName) {
        for (size_t index = units; index < ENC_NAME_UNITS; ++index) {
            header[ENC_NAME_OFFSET + 2 * index] = 'x';
        }
    }
    header[ENC_PAD_OFFSET] = container.padCount;
    for (size_t offset = 0; offset < ENC_HEADER_SIZE; offset += 16) {
        AesEncryptBlock(&context, &header[offset], &header[offset]);
    }

    Bytes body = container.body;
    const size_t cipherBytes = std::min(container.cipherBytes, body.size() / 16 * 16);
    for (size_t offset = 0; offset < cipherBytes; offset += 16) {
        AesEncryptBlock(&context, &body[offset], &body[offset]);
    }
    header.insert(header.end(), body.begin(), body.end());
    return WriteBytes(path, header);
}

std::optional<Bytes> PlainHeaderOf(const PathString& containerPath, const Utf16Char* password) {
    auto bytes = ReadBytes(containerPath);
    if (!bytes || bytes->size() < ENC_HEADER_SIZE) {
        return std::nullopt;
    }
    uint8_t key[FILE_KEY_BYTES];
    MakeFileKeyBytes(password, key);
    AesContext context{};
    AesSetKey(&context, key, 256);
    Bytes header(bytes->begin(), bytes->begin() + ENC_HEADER_SIZE);
    for (size_t offset = 0; offset < ENC_HEADER_SIZE; offset += 16) {
        AesDecryptBlock(&context, &header[offset], &header[offset]);
    }
    return header;
}
