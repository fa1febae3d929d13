// Test-side file helpers (Win32 on Windows, so long paths work there too) and the independent container writer.
#include "engine_test_files.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "aes.h"
#include "file_key.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#endif

namespace {

uint64_t RandomSuffix() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

#ifdef _WIN32
PathString Extended(const PathString& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) {
        return path;
    }
    return L"\\\\?\\" + path;
}

void RemoveTree(const PathString& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(Extended(folder + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const PathString name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const PathString child = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child + L"\\");
            } else {
                SetFileAttributesW(Extended(child).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(Extended(child).c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(Extended(folder).c_str());
}
#endif

} // namespace

#ifdef _WIN32

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    m_path = PathString(base) + L"tolvane-engine-" + std::to_wstring(RandomSuffix()) + L"\\";
    CreateDirectoryW(Extended(m_path).c_str(), nullptr);
}

TempFolder::~TempFolder() {
    RemoveTree(m_path);
}

bool WriteBytes(const PathString& path, const Bytes& bytes) {
    HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::optional<Bytes> ReadBytes(const PathString& path) {
    HANDLE file =
        CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    Bytes bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    const BOOL ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    if (!ok || got != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

bool FileExists(const PathString& path) {
    return GetFileAttributesW(Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const PathString& path) {
    return CreateDirectoryW(Extended(path).c_str(), nullptr) != 0;
}

bool MakeReadOnly(const PathString& path) {
    return SetFileAttributesW(Extended(path).c_str(), FILE_ATTRIBUTE_READONLY) != 0;
}

bool MakeSparseFile(const PathString& path, uint64_t length) {
    HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
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

std::vector<PathString> ListNames(const PathString& folder) {
    std::vector<PathString> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(Extended(folder + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const PathString name = entry.cFileName;
            if (name != L"." && name != L"..") {
                names.push_back(name);
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Printable(PathView path) {
    const auto text = Utf16ToUtf8(path);
    return text ? *text : std::string("<not UTF-16>");
}

#else

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    m_path = std::string(base != nullptr && *base != 0 ? base : "/tmp") + "/tolvane-engine-" +
             std::to_string(RandomSuffix()) + "/";
    ::mkdir(m_path.c_str(), 0700);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

bool WriteBytes(const PathString& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::optional<Bytes> ReadBytes(const PathString& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const PathString& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool MakeFolder(const PathString& path) {
    return ::mkdir(path.c_str(), 0700) == 0;
}

bool MakeReadOnly(const PathString& path) {
    return ::chmod(path.c_str(), 0444) == 0;
}

bool MakeSparseFile(const PathString& path, uint64_t length) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0) {
        return false;
    }
    const bool ok = ::ftruncate(file, static_cast<off_t>(length)) == 0;
    ::close(file);
    return ok;
}

std::vector<PathString> ListNames(const PathString& folder) {
    std::vector<PathString> names;
    if (DIR* directory = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            const PathString name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(directory);
    }
    std::sort(names.begin(), names.end());
    return names;
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
