// The VAES paths: the AES round instructions on 256-bit (two blocks) and 512-bit (four blocks)
// registers, with many blocks in flight. Same results as the table path; contract in aes.h.
#include "aes_internal.h"
#include "secure_wipe.h"

#if TOLVANE_AES_X86

#include <immintrin.h>

namespace {

// Enough independent registers to cover the round latency at full issue rate.
constexpr size_t REGISTERS_IN_FLIGHT = 8;

struct Encryption {
    static const uint32_t* Words(const AesContext* context) { return context->encRoundKeys; }

    __attribute__((target("vaes,avx2"))) static __m256i Round(__m256i block, __m256i key) {
        return _mm256_aesenc_epi128(block, key);
    }
    __attribute__((target("vaes,avx2"))) static __m256i LastRound(__m256i block, __m256i key) {
        return _mm256_aesenclast_epi128(block, key);
    }
    __attribute__((target("vaes,avx512f"))) static __m512i Round(__m512i block, __m512i key) {
        return _mm512_aesenc_epi128(block, key);
    }
    __attribute__((target("vaes,avx512f"))) static __m512i LastRound(__m512i block, __m512i key) {
        return _mm512_aesenclast_epi128(block, key);
    }
};

// The decryption keys are those of the equivalent inverse cipher, which is what AESDEC computes.
struct Decryption {
    static const uint32_t* Words(const AesContext* context) { return context->decRoundKeys; }

    __attribute__((target("vaes,avx2"))) static __m256i Round(__m256i block, __m256i key) {
        return _mm256_aesdec_epi128(block, key);
    }
    __attribute__((target("vaes,avx2"))) static __m256i LastRound(__m256i block, __m256i key) {
        return _mm256_aesdeclast_epi128(block, key);
    }
    __attribute__((target("vaes,avx512f"))) static __m512i Round(__m512i block, __m512i key) {
        return _mm512_aesdec_epi128(block, key);
    }
    __attribute__((target("vaes,avx512f"))) static __m512i LastRound(__m512i block, __m512i key) {
        return _mm512_aesdeclast_epi128(block, key);
    }
};

template <typename Direction, int Rounds>
__attribute__((target("vaes,avx2"))) __m256i CipherRegister(__m256i block, const __m256i* keys) {
    block = _mm256_xor_si256(block, keys[0]);
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) {
        block = Direction::Round(block, keys[r]);
    }
    return Direction::LastRound(block, keys[Rounds]);
}

template <typename Direction, int Rounds>
__attribute__((target("vaes,avx2"))) void CipherBlocks256(const AesRoundKeyBytes& keyBytes, const uint8_t* in,
                                                          uint8_t* out, size_t blockCount) {
    constexpr size_t blocksPerRegister = 2;
    __m256i keys[Rounds + 1];
    for (int r = 0; r <= Rounds; ++r) {
        keys[r] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(keyBytes.round[r])));
    }

    for (; blockCount >= REGISTERS_IN_FLIGHT * blocksPerRegister;
         blockCount -= REGISTERS_IN_FLIGHT * blocksPerRegister) {
        __m256i blocks[REGISTERS_IN_FLIGHT];
#pragma GCC unroll 8
        for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
            blocks[i] = _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32 * i)), keys[0]);
        }
#pragma GCC unroll 14
        for (int r = 1; r < Rounds; ++r) {
#pragma GCC unroll 8
            for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
                blocks[i] = Direction::Round(blocks[i], keys[r]);
            }
        }
#pragma GCC unroll 8
        for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * i),
                                Direction::LastRound(blocks[i], keys[Rounds]));
        }
        in += 32 * REGISTERS_IN_FLIGHT;
        out += 32 * REGISTERS_IN_FLIGHT;
    }

    for (; blockCount >= blocksPerRegister; blockCount -= blocksPerRegister, in += 32, out += 32) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), CipherRegister<Direction, Rounds>(block, keys));
    }

    if (blockCount > 0) {
        const __m256i block = _mm256_zextsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm256_castsi256_si128(CipherRegister<Direction, Rounds>(block, keys)));
    }
}

template <typename Direction, int Rounds>
__attribute__((target("vaes,avx512f"))) __m512i CipherRegister(__m512i block, const __m512i* keys) {
    block = _mm512_xor_si512(block, keys[0]);
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) {
        block = Direction::Round(block, keys[r]);
    }
    return Direction::LastRound(block, keys[Rounds]);
}

template <typename Direction, int Rounds>
__attribute__((target("vaes,avx512f"))) void CipherBlocks512(const AesRoundKeyBytes& keyBytes, const uint8_t* in,
                                                             uint8_t* out, size_t blockCount) {
    constexpr size_t blocksPerRegister = 4;
    // The zero-masked form: the plain broadcast trips a false "used uninitialized" warning in gcc 12.
    __m512i keys[Rounds + 1];
    for (int r = 0; r <= Rounds; ++r) {
        keys[r] =
            _mm512_maskz_broadcast_i32x4(0xFFFF, _mm_load_si128(reinterpret_cast<const __m128i*>(keyBytes.round[r])));
    }

    for (; blockCount >= REGISTERS_IN_FLIGHT * blocksPerRegister;
         blockCount -= REGISTERS_IN_FLIGHT * blocksPerRegister) {
        __m512i blocks[REGISTERS_IN_FLIGHT];
#pragma GCC unroll 8
        for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
            blocks[i] = _mm512_xor_si512(_mm512_loadu_si512(in + 64 * i), keys[0]);
        }
#pragma GCC unroll 14
        for (int r = 1; r < Rounds; ++r) {
#pragma GCC unroll 8
            for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
                blocks[i] = Direction::Round(blocks[i], keys[r]);
            }
        }
#pragma GCC unroll 8
        for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
            _mm512_storeu_si512(out + 64 * i, Direction::LastRound(blocks[i], keys[Rounds]));
        }
        in += 64 * REGISTERS_IN_FLIGHT;
        out += 64 * REGISTERS_IN_FLIGHT;
    }

    for (; blockCount >= blocksPerRegister; blockCount -= blocksPerRegister, in += 64, out += 64) {
        _mm512_storeu_si512(out, CipherRegister<Direction, Rounds>(_mm512_loadu_si512(in), keys));
    }

    // One to three blocks left: masked lanes are neither read nor written, so nothing past the end is touched.
    if (blockCount > 0) {
        const __mmask8 lanes = static_cast<__mmask8>((1u << (2 * blockCount)) - 1);
        const __m512i block = _mm512_maskz_loadu_epi64(lanes, in);
        _mm512_mask_storeu_epi64(out, lanes, CipherRegister<Direction, Rounds>(block, keys));
    }
}

template <typename Direction, bool Wide, int Rounds>
void CipherBlocksOfWidth(const AesRoundKeyBytes& keyBytes, const uint8_t* in, uint8_t* out, size_t blockCount) {
    if constexpr (Wide) {
        CipherBlocks512<Direction, Rounds>(keyBytes, in, out, blockCount);
    } else {
        CipherBlocks256<Direction, Rounds>(keyBytes, in, out, blockCount);
    }
}

template <typename Direction, bool Wide>
void CipherBlocksForKey(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    AesRoundKeyBytes keyBytes;
    AesGetRoundKeyBytes(Direction::Words(context), context->rounds, &keyBytes);
    switch (context->rounds) {
    case 10:
        CipherBlocksOfWidth<Direction, Wide, 10>(keyBytes, in, out, blockCount);
        break;
    case 12:
        CipherBlocksOfWidth<Direction, Wide, 12>(keyBytes, in, out, blockCount);
        break;
    default:
        CipherBlocksOfWidth<Direction, Wide, 14>(keyBytes, in, out, blockCount);
        break;
    }
    SecureWipe(&keyBytes, sizeof keyBytes);
}

} // namespace

void AesVaes256EncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    CipherBlocksForKey<Encryption, false>(context, in, out, blockCount);
}

void AesVaes256DecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    CipherBlocksForKey<Decryption, false>(context, in, out, blockCount);
}

void AesVaes512EncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    CipherBlocksForKey<Encryption, true>(context, in, out, blockCount);
}

void AesVaes512DecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    CipherBlocksForKey<Decryption, true>(context, in, out, blockCount);
}

#endif
