// Throughput of every AES path this CPU supports on a 1 MiB buffer, next to OpenSSL's EVP
// AES-256-ECB on the same buffer in the same run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <memory>
#include <string>

#include "aes.h"
#include "ratio_reporter.h"

namespace {

constexpr size_t BUFFER_SIZE = 1 << 20;
constexpr size_t BUFFER_BLOCKS = BUFFER_SIZE / 16;

// The container ciphers its chunk buffer in place, so every benchmark does the same.
alignas(64) uint8_t g_buffer[BUFFER_SIZE];

constexpr uint8_t KEY[32] = {0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae,
                             0xf0, 0x85, 0x7d, 0x77, 0x81, 0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61,
                             0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4};

enum class Direction { Encrypt, Decrypt };

void CipherWithPath(benchmark::State& state, AesImplementation path, Direction direction) {
    AesContext context{};
    AesSetKey(&context, KEY, 256);
    for (auto _ : state) {
        if (direction == Direction::Encrypt) {
            AesEncryptBlocksWith(path, &context, g_buffer, g_buffer, BUFFER_BLOCKS);
        } else {
            AesDecryptBlocksWith(path, &context, g_buffer, g_buffer, BUFFER_BLOCKS);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BUFFER_SIZE));
    AesWipeContext(&context);
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

void CipherWithOpenSsl(benchmark::State& state, Direction direction) {
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    const int encrypt = direction == Direction::Encrypt ? 1 : 0;
    if (!context || EVP_CipherInit_ex(context.get(), EVP_aes_256_ecb(), nullptr, KEY, nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        state.SkipWithError("OpenSSL cipher set-up failed");
        return;
    }
    for (auto _ : state) {
        int written = 0;
        if (EVP_CipherUpdate(context.get(), g_buffer, &written, g_buffer, static_cast<int>(BUFFER_SIZE)) != 1 ||
            written != static_cast<int>(BUFFER_SIZE)) {
            state.SkipWithError("OpenSSL cipher failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BUFFER_SIZE));
}

void RegisterBenchmarks() {
    for (Direction direction : {Direction::Encrypt, Direction::Decrypt}) {
        const std::string group = direction == Direction::Encrypt ? "encrypt/" : "decrypt/";
        benchmark::RegisterBenchmark((group + "openssl_evp").c_str(), CipherWithOpenSsl, direction);
        for (AesImplementation path : {AesImplementation::Table, AesImplementation::AesNi, AesImplementation::Vaes256,
                                       AesImplementation::Vaes512}) {
            if (AesImplementationSupported(path)) {
                benchmark::RegisterBenchmark((group + AesImplementationName(path)).c_str(), CipherWithPath, path,
                                             direction);
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!InitializeBenchmarks(argc, argv)) {
        return 2;
    }
    RegisterBenchmarks();
    return RunBenchmarksWithRatios("openssl_evp");
}
