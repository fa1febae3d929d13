// Every hardware path against the table path on random keys and data: block counts that end in
// every kind of remainder, misaligned buffers, in place and out of place, and nothing written past the end.
#include <gtest/gtest.h>

#include <random>

#include "aes_test_support.h"

namespace {

constexpr size_t GUARD_BYTES = 64;
constexpr uint8_t GUARD_VALUE = 0xC3;

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t size) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(byte(random));
    }
    return bytes;
}

// A buffer one byte off 16-byte alignment, with guard bytes behind it.
struct GuardedBuffer {
    explicit GuardedBuffer(const std::vector<uint8_t>& content)
        : storage(1 + content.size() + GUARD_BYTES, GUARD_VALUE) {
        std::copy(content.begin(), content.end(), data());
    }
    uint8_t* data() { return storage.data() + 1; }
    std::vector<uint8_t> Content(size_t size) const { return {storage.begin() + 1, storage.begin() + 1 + size}; }
    bool GuardIntact(size_t size) const {
        return storage[0] == GUARD_VALUE &&
               std::all_of(storage.begin() + 1 + size, storage.end(), [](uint8_t b) { return b == GUARD_VALUE; });
    }
    std::vector<uint8_t> storage;
};

std::vector<size_t> BlockCounts() {
    std::vector<size_t> counts;
    for (size_t count = 0; count <= 40; ++count) {
        counts.push_back(count);
    }
    for (size_t count : {63, 64, 65, 4099, 65536 + 7}) {
        counts.push_back(count);
    }
    return counts;
}

TEST(AesPaths, EveryPathAgreesWithTheTablePath) {
    std::mt19937 random(20261209);
    std::vector<AesImplementation> paths = SupportedHardwarePaths();
    paths.push_back(AesSelectedImplementation());

    for (int keyBits : {128, 192, 256}) {
        SCOPED_TRACE(keyBits);
        AesContext context{};
        ASSERT_EQ(AesSetKey(&context, RandomBytes(random, 32).data(), keyBits), 0);
        for (size_t count : BlockCounts()) {
            SCOPED_TRACE(count);
            const size_t size = 16 * count;
            const std::vector<uint8_t> plaintext = RandomBytes(random, size);
            std::vector<uint8_t> expected(size);
            AesEncryptBlocksWith(AesImplementation::Table, &context, plaintext.data(), expected.data(), count);

            for (AesImplementation path : paths) {
                SCOPED_TRACE(AesImplementationName(path));
                const GuardedBuffer source(plaintext);
                GuardedBuffer separate(std::vector<uint8_t>(size, 0));
                AesEncryptBlocksWith(path, &context, source.storage.data() + 1, separate.data(), count);
                ASSERT_EQ(separate.Content(size), expected);
                ASSERT_TRUE(separate.GuardIntact(size));

                GuardedBuffer inPlace(plaintext);
                AesEncryptBlocksWith(path, &context, inPlace.data(), inPlace.data(), count);
                ASSERT_EQ(inPlace.Content(size), expected);
                AesDecryptBlocksWith(path, &context, inPlace.data(), inPlace.data(), count);
                ASSERT_EQ(inPlace.Content(size), plaintext);
                ASSERT_TRUE(inPlace.GuardIntact(size));

                AesDecryptBlocksWith(path, &context, expected.data(), separate.data(), count);
                ASSERT_EQ(separate.Content(size), plaintext);
            }
        }
    }
}

TEST(AesPaths, TablePathDecryptionUndoesEncryption) {
    std::mt19937 random(7);
    for (int keyBits : {128, 192, 256}) {
        SCOPED_TRACE(keyBits);
        AesContext context{};
        ASSERT_EQ(AesSetKey(&context, RandomBytes(random, 32).data(), keyBits), 0);
        const std::vector<uint8_t> plaintext = RandomBytes(random, 16 * 1000);
        std::vector<uint8_t> buffer = plaintext;
        AesEncryptBlocksWith(AesImplementation::Table, &context, buffer.data(), buffer.data(), 1000);
        EXPECT_NE(buffer, plaintext);
        AesDecryptBlocksWith(AesImplementation::Table, &context, buffer.data(), buffer.data(), 1000);
        EXPECT_EQ(buffer, plaintext);
    }
}

} // namespace
