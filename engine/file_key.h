// The file key: the AES-256 key schedule made from a password, wiped when it goes out of scope.
#pragma once

#include "aes.h"
#include "path_text.h"

// The key is the password's units 0x01..0xFF as bytes, in order, up to the first unit above 0xFF (or the
// terminator, or 32 units), followed by zero bytes up to 32. No hashing, no salt: the container format
// fixes it, and every existing container must open.
class FileKey {
public:
    explicit FileKey(const Utf16Char* password);
    ~FileKey();
    FileKey(const FileKey&) = delete;
    FileKey& operator=(const FileKey&) = delete;

    const AesContext* context() const { return &m_context; }

private:
    AesContext m_context;
};

inline constexpr size_t FILE_KEY_BYTES = 32;

// The raw key bytes (exposed for tests that check the rule and cross-check with other AES tools).
void MakeFileKeyBytes(const Utf16Char* password, uint8_t key[FILE_KEY_BYTES]);
