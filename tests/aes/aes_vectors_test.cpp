// The published FIPS-197 examples on the table path and on every hardware path this machine has,
// in place and out of place, in both directions.
#include <gtest/gtest.h>

#include <cstdio>

#include "aes_test_support.h"

namespace {

std::vector<uint8_t> Repeated(const std::vector<uint8_t>& block, size_t count) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i) {
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    return bytes;
}

TEST(AesVectors, TablePathGivesThePublishedCiphertextsAndBack) {
    for (const FipsExample& example : FIPS_EXAMPLES) {
        SCOPED_TRACE(example.keyBits);
        const AesContext context = ContextFor(example.key, example.keyBits);
        const std::vector<uint8_t> plaintext = FromHex(example.plaintext);
        const std::vector<uint8_t> ciphertext = FromHex(example.ciphertext);

        std::vector<uint8_t> out(16);
        AesEncryptBlock(&context, plaintext.data(), out.data());
        EXPECT_EQ(out, ciphertext);
        AesDecryptBlock(&context, ciphertext.data(), out.data());
        EXPECT_EQ(out, plaintext);

        std::vector<uint8_t> inPlace = plaintext;
        AesEncryptBlock(&context, inPlace.data(), inPlace.data());
        EXPECT_EQ(inPlace, ciphertext);
        AesDecryptBlock(&context, inPlace.data(), inPlace.data());
        EXPECT_EQ(inPlace, plaintext);
    }
}

// Every block of a run gets the same result; the counts reach the wide loops and each kind of remainder.
TEST(AesVectors, EveryHardwarePathGivesThePublishedCiphertextsAndBack) {
    const std::vector<AesImplementation> paths = SupportedHardwarePaths();
    for (AesImplementation path : paths) {
        std::printf("checking %s\n", AesImplementationName(path));
    }
    for (AesImplementation path : paths) {
        SCOPED_TRACE(AesImplementationName(path));
        for (const FipsExample& example : FIPS_EXAMPLES) {
            SCOPED_TRACE(example.keyBits);
            const AesContext context = ContextFor(example.key, example.keyBits);
            for (size_t count : {1, 3, 8, 35}) {
                SCOPED_TRACE(count);
                const std::vector<uint8_t> plaintext = Repeated(FromHex(example.plaintext), count);
                const std::vector<uint8_t> ciphertext = Repeated(FromHex(example.ciphertext), count);

                std::vector<uint8_t> out(plaintext.size());
                AesEncryptBlocksWith(path, &context, plaintext.data(), out.data(), count);
                EXPECT_EQ(out, ciphertext);
                AesDecryptBlocksWith(path, &context, ciphertext.data(), out.data(), count);
                EXPECT_EQ(out, plaintext);

                std::vector<uint8_t> inPlace = plaintext;
                AesEncryptBlocksWith(path, &context, inPlace.data(), inPlace.data(), count);
                EXPECT_EQ(inPlace, ciphertext);
                AesDecryptBlocksWith(path, &context, inPlace.data(), inPlace.data(), count);
                EXPECT_EQ(inPlace, plaintext);
            }
        }
    }
}

} // namespace
