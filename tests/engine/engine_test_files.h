// Real files in a fresh temporary folder for the engine tests, with plain helpers that do not go through
// the engine's own file layer, and an independent container writer for containers the engine never makes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "container.h"

using Bytes = std::vector<uint8_t>;

#define P(text) TOLVANE_PATH_LITERAL(text)
#define U(text) TOLVANE_UTF16_LITERAL(text)

inline constexpr Utf16Char kTestPassword[] = U("correct horse");

// A new empty folder, removed with everything in it on destruction. path() ends in a separator.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const PathString& path() const { return m_path; }
    PathString operator/(PathView name) const { return m_path + PathString(name); }

private:
    PathString m_path;
};

Bytes PatternBytes(size_t size, uint32_t seed = 1);
bool WriteBytes(const PathString& path, const Bytes& bytes);
std::optional<Bytes> ReadBytes(const PathString& path);
bool FileExists(const PathString& path);
bool MakeFolder(const PathString& path);
bool MakeReadOnly(const PathString& path);
// A file of the given length whose blocks are not stored (sparse), so that lengths above 4 GiB cost nothing.
bool MakeSparseFile(const PathString& path, uint64_t length);
// Bare names in the folder, sorted; "." and ".." left out.
std::vector<PathString> ListNames(const PathString& folder);

// A container as any writer of the format could make it: the header from the given fields, then body
// bytes that are enciphered block by block up to cipherBytes and stored raw after that.
struct CraftedContainer {
    Utf16String storedName;
    bool terminateName = true; // false: the name fills all 256 units with no terminator
    uint8_t padCount = 16;
    Bytes body;
    size_t cipherBytes = SIZE_MAX;
    const Utf16Char* password = kTestPassword;
};
bool WriteCraftedContainer(const PathString& path, const CraftedContainer& container);

// Deciphers a container's header with the table cipher: the 528 plain bytes, or nullopt.
std::optional<Bytes> PlainHeaderOf(const PathString& containerPath, const Utf16Char* password = kTestPassword);

std::string Printable(PathView path);
