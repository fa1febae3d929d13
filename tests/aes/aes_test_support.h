// Shared by the AES tests: the published FIPS-197 examples and the list of paths this machine runs.
// Hex strings keep the vectors readable exactly as they are printed in the standard.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "aes.h"

inline std::vector<uint8_t> FromHex(std::string_view hex) {
    auto nibble = [](char c) { return static_cast<uint8_t>(c <= '9' ? c - '0' : c - 'a' + 10); };
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    }
    return bytes;
}

struct FipsExample {
    int keyBits;
    std::string_view key;
    std::string_view plaintext;
    std::string_view ciphertext;
};

// FIPS-197 Appendix C.1, C.2 and C.3.
inline constexpr FipsExample FIPS_EXAMPLES[] = {
    {128, "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {192, "000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {256, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
     "8ea2b7ca516745bfeafc49904b496089"},
};

inline AesContext ContextFor(std::string_view hexKey, int keyBits) {
    AesContext context{};
    const std::vector<uint8_t> key = FromHex(hexKey);
    AesSetKey(&context, key.data(), keyBits);
    return context;
}

inline std::vector<AesImplementation> SupportedHardwarePaths() {
    std::vector<AesImplementation> paths;
    for (AesImplementation path : {AesImplementation::AesNi, AesImplementation::Vaes256, AesImplementation::Vaes512}) {
        if (AesImplementationSupported(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}
