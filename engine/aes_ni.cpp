// The AES-NI path: eight independent blocks in flight so that the AES unit's latency is hidden,
// then the remainder one block at a time. Same results as the table path; contract in aes.h.
#include "aes_internal.h"
#include "secure_wipe.h"

#if TOLVANE_AES_X86

#include <immintrin.h>

namespace {

constexpr size_t BLOCKS_IN_FLIGHT = 8;

struct Encryption {
    static const uint32_t* Words(const AesContext* context) { return context->encRoundKeys; }
    __attribute__((target("aes,sse4.1"))) static __m128i Round(__m128i block, __m128i key) {
        return _mm_aesenc_si128(block, key);
    }
    __attribute__((target("aes,sse4.1"))) static __m128i LastRound(__m128i block, __m128i key) {
        return _mm_aesenclast_si128(block, key);
    }
};

// AESDEC is one round of the equivalent inverse cipher, whose keys decRoundKeys already holds.
struct Decryption {
    static const uint32_t* Words(const AesContext* context) { return context->decRoundKeys; }
    __attribute__((target("aes,sse4.1"))) static __m128i Round(__m128i block, __m128i key) {
        return _mm_aesdec_si128(block, key);
    }
    __attribute__((target("aes,sse4.1"))) static __m128i LastRound(__m128i block, __m128i key) {
        return _mm_aesdeclast_si128(block, key);
    }
};

template <typename Direction, int Rounds>
__attribute__((target("aes,sse4.1"))) void CipherBlocks(const AesRoundKeyBytes& keyBytes, const uint8_t* in,
                                                        uint8_t* out, size_t blockCount) {
    __m128i keys[Rounds + 1];
    for (int r = 0; r <= Rounds; ++r) {
        keys[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(keyBytes.round[r]));
    }

    for (; blockCount >= BLOCKS_IN_FLIGHT; blockCount -= BLOCKS_IN_FLIGHT) {
        __m128i blocks[BLOCKS_IN_FLIGHT];
#pragma GCC unroll 8
        for (size_t i = 0; i < BLOCKS_IN_FLIGHT; ++i) {
            blocks[i] = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * i)), keys[0]);
        }
#pragma GCC unroll 14
        for (int r = 1; r < Rounds; ++r) {
#pragma GCC unroll 8
            for (size_t i = 0; i < BLOCKS_IN_FLIGHT; ++i) {
                blocks[i] = Direction::Round(blocks[i], keys[r]);
            }
        }
#pragma GCC unroll 8
        for (size_t i = 0; i < BLOCKS_IN_FLIGHT; ++i) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * i), Direction::LastRound(blocks[i], keys[Rounds]));
        }
        in += 16 * BLOCKS_IN_FLIGHT;
        out += 16 * BLOCKS_IN_FLIGHT;
    }

    for (; blockCount > 0; --blockCount, in += 16, out += 16) {
        __m128i block = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), keys[0]);
#pragma GCC unroll 14
        for (int r = 1; r < Rounds; ++r) {
            block = Direction::Round(block, keys[r]);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), Direction::LastRound(block, keys[Rounds]));
    }
}

template <typename Direction>
void CipherBlocksForKey(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    AesRoundKeyBytes keyBytes;
    AesGetRoundKeyBytes(Direction::Words(context), context->rounds, &keyBytes);
    switch (context->rounds) {
    case 10:
        CipherBlocks<Direction, 10>(keyBytes, in, out, blockCount);
        break;
    case 12:
        CipherBlocks<Direction, 12>(keyBytes, in, out, blockCount);
        break;
    default:
        CipherBlocks<Direction, 14>(keyBytes, in, out, blockCount);
        break;
    }
    SecureWipe(&keyBytes, sizeof keyBytes);
}

} // namespace

void AesNiEncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    CipherBlocksForKey<Encryption>(context, in, out, blockCount);
}

void AesNiDecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    CipherBlocksForKey<Decryption>(context, in, out, blockCount);
}

#endif
