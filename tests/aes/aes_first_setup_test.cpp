// The first key set-up of a process, started on several threads at once: all must see complete
// tables. A program of its own, so that nothing has built the tables before.
#include <gtest/gtest.h>

#include <latch>
#include <thread>

#include "aes_test_support.h"

namespace {

TEST(AesFirstSetup, ConcurrentFirstKeySetupsAllSucceed) {
    constexpr int threadCount = 8;
    const FipsExample& example = FIPS_EXAMPLES[2];
    const std::vector<uint8_t> key = FromHex(example.key);
    const std::vector<uint8_t> plaintext = FromHex(example.plaintext);
    std::vector<std::vector<uint8_t>> results(threadCount, std::vector<uint8_t>(16));

    std::latch start(threadCount);
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            AesContext context{};
            if (AesSetKey(&context, key.data(), 256) == 0) {
                AesEncryptBlock(&context, plaintext.data(), results[i].data());
                AesDecryptBlock(&context, results[i].data(), results[i].data());
                AesEncryptBlock(&context, results[i].data(), results[i].data());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::vector<uint8_t>& result : results) {
        EXPECT_EQ(result, FromHex(example.ciphertext));
    }
}

} // namespace
