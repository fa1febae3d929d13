// Key set-up: the published expanded keys, refused lengths that change nothing, re-keying with
// another length, and the wipe.
#include <gtest/gtest.h>

#include <cstring>

#include "aes_test_support.h"

namespace {

bool SameBytes(const AesContext& a, const AesContext& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// FIPS-197 Appendix A: the last word of each expansion, which every earlier word feeds into.
TEST(AesKeySetup, ExpandsKeysAsPublished) {
    struct Expansion {
        int keyBits;
        std::string_view key;
        int rounds;
        uint32_t lastWord;
    };
    const Expansion expansions[] = {
        {128, "2b7e151628aed2a6abf7158809cf4f3c", 10, 0xb6630ca6},
        {192, "8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b", 12, 0x01002202},
        {256, "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", 14, 0x706c631e},
    };
    for (const Expansion& expansion : expansions) {
        SCOPED_TRACE(expansion.keyBits);
        const std::vector<uint8_t> key = FromHex(expansion.key);
        AesContext context{};
        ASSERT_EQ(AesSetKey(&context, key.data(), expansion.keyBits), 0);
        EXPECT_EQ(context.rounds, expansion.rounds);
        EXPECT_EQ(context.encRoundKeys[0], uint32_t{key[0]} << 24 | uint32_t{key[1]} << 16 | key[2] << 8 | key[3]);
        EXPECT_EQ(context.encRoundKeys[4 * expansion.rounds + 3], expansion.lastWord);
        // The decryption schedule starts with the last encryption round key and ends with the first.
        EXPECT_EQ(context.decRoundKeys[3], expansion.lastWord);
        EXPECT_EQ(context.decRoundKeys[4 * expansion.rounds], context.encRoundKeys[0]);
    }
}

TEST(AesKeySetup, RefusedLengthLeavesTheContextAsItWas) {
    const std::vector<uint8_t> key = FromHex(FIPS_EXAMPLES[2].key);
    AesContext untouched;
    std::memset(&untouched, 0xA5, sizeof untouched);
    const AesContext keyed = ContextFor(FIPS_EXAMPLES[2].key, 256);

    for (int keyBits : {100, 0, -128, 64, 127, 129, 160, 224, 255, 257, 384, 512}) {
        SCOPED_TRACE(keyBits);
        for (const AesContext& before : {untouched, keyed}) {
            AesContext context = before;
            EXPECT_EQ(AesSetKey(&context, key.data(), keyBits), 1);
            EXPECT_TRUE(SameBytes(context, before));
        }
    }
}

TEST(AesKeySetup, RekeyingWithAnotherLengthGivesAFreshSchedule) {
    AesContext context = ContextFor(FIPS_EXAMPLES[2].key, 256);
    for (const FipsExample& example : {FIPS_EXAMPLES[0], FIPS_EXAMPLES[1], FIPS_EXAMPLES[2], FIPS_EXAMPLES[0]}) {
        SCOPED_TRACE(example.keyBits);
        const std::vector<uint8_t> key = FromHex(example.key);
        ASSERT_EQ(AesSetKey(&context, key.data(), example.keyBits), 0);
        EXPECT_TRUE(SameBytes(context, ContextFor(example.key, example.keyBits)));

        const std::vector<uint8_t> plaintext = FromHex(example.plaintext);
        std::vector<uint8_t> block(16);
        AesEncryptBlock(&context, plaintext.data(), block.data());
        EXPECT_EQ(block, FromHex(example.ciphertext));
        AesEncryptBlocks(&context, plaintext.data(), block.data(), 1);
        EXPECT_EQ(block, FromHex(example.ciphertext));
        AesDecryptBlock(&context, block.data(), block.data());
        EXPECT_EQ(block, plaintext);
    }
}

// What a test can see of the wipe: the whole context holds zeros afterwards. That the stores also stay
// when the context is about to go out of scope (where a compiler may drop them as dead) cannot be
// observed from here; SecureWipe's compiler barrier is what keeps them.
TEST(AesKeySetup, WipeZeroesTheWholeContext) {
    AesContext context = ContextFor(FIPS_EXAMPLES[2].key, 256);
    AesWipeContext(&context);
    AesContext zeros;
    std::memset(&zeros, 0, sizeof zeros);
    EXPECT_TRUE(SameBytes(context, zeros));
}

} // namespace
