// Password to AES-256 key, and the schedule built from it. Key bytes never outlive the call that needs them.
#include "file_key.h"

#include "enc_format.h"
#include "secure_wipe.h"

void MakeFileKeyBytes(const Utf16Char* password, uint8_t key[FILE_KEY_BYTES]) {
    // One byte more than the key, as the format's reference rule: units are stored until the buffer holds
    // 32 of them, the rest is zero.
    uint8_t buffer[FILE_KEY_BYTES + 1] = {};
    size_t stored = 0;
    for (size_t index = 0; index < ENC_MAX_PASSWORD_UNITS && password[index] != 0; ++index) {
        const auto unit = static_cast<uint32_t>(password[index]);
        if (unit > 0xFF) {
            break;
        }
        buffer[stored++] = static_cast<uint8_t>(unit);
    }
    for (size_t index = 0; index < FILE_KEY_BYTES; ++index) {
        key[index] = buffer[index];
    }
    SecureWipe(buffer, sizeof buffer);
}

FileKey::FileKey(const Utf16Char* password) : m_context{} {
    uint8_t key[FILE_KEY_BYTES];
    MakeFileKeyBytes(password, key);
    AesSetKey(&m_context, key, 256);
    SecureWipe(key, sizeof key);
}

FileKey::~FileKey() {
    AesWipeContext(&m_context);
}
