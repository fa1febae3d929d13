// The VAES paths: the AES round instructions on 256-bit (two blocks) and 512-bit (four blocks)
// registers, with many blocks in flight. Same results as the table path; contract in aes.h.
#include "aes_internal.h"
#include "secure_wipe.h"

#if TOLVANE_AES_X86

#include <immintrin.h>

namespace {

// Enough independent registers to cover the round latency at full issue rate.
constexpr size_t REGISTERS_IN_FLIGHT = 8;

// Every operation on a register takes it by pointer: the loop below has no target of its own, and a vector
// passed by value between code of different targets would change the ABI (which clang refuses).
struct Encryption {
    static const uint32_t* Words(const AesContext* context) { return context->encRoundKeys; }

    __attribute__((target("vaes,avx2"))) static void Round(__m256i* block, const __m256i* key) {
        *block = _mm256_aesenc_epi128(*block, *key);
    }
    __attribute__((target("vaes,avx2"))) static void LastRound(__m256i* block, const __m256i* key) {
        *block = _mm256_aesenclast_epi128(*block, *key);
    }
    __attribute__((target("vaes,avx512f"))) static void Round(__m512i* block, const __m512i* key) {
        *block = _mm512_aesenc_epi128(*block, *key);
    }
    __attribute__((target("vaes,avx512f"))) static void LastRound(__m512i* block, const __m512i* key) {
        *block = _mm512_aesenclast_epi128(*block, *key);
    }
};

// The decryption keys are those of the equivalent inverse cipher, which is what AESDEC computes.
struct Decryption {
    static const uint32_t* Words(const AesContext* context) { return context->decRoundKeys; }

    __attribute__((target("vaes,avx2"))) static void Round(__m256i* block, const __m256i* key) {
        *block = _mm256_aesdec_epi128(*block, *key);
    }
    __attribute__((target("vaes,avx2"))) static void LastRound(__m256i* block, const __m256i* key) {
        *block = _mm256_aesdeclast_epi128(*block, *key);
    }
    __attribute__((target("vaes,avx512f"))) static void Round(__m512i* block, const __m512i* key) {
        *block = _mm512_aesdec_epi128(*block, *key);
    }
    __attribute__((target("vaes,avx512f"))) static void LastRound(__m512i* block, const __m512i* key) {
        *block = _mm512_aesdeclast_epi128(*block, *key);
    }
};

// The register widths: what loads, stores and round keys look like on each, and how a tail of fewer blocks
// than a register holds goes in and out without touching anything past the end.
struct Lanes256 {
    using Register = __m256i;
    static constexpr size_t kBlocks = 2;

    __attribute__((target("vaes,avx2"))) static void Key(Register* key, const uint8_t roundKey[16]) {
        *key = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(roundKey)));
    }
    __attribute__((target("vaes,avx2"))) static void Load(Register* block, const uint8_t* in) {
        *block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    }
    __attribute__((target("vaes,avx2"))) static void Store(uint8_t* out, const Register* block) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), *block);
    }
    __attribute__((target("vaes,avx2"))) static void Xor(Register* block, const Register* key) {
        *block = _mm256_xor_si256(*block, *key);
    }
    // The one block left goes in the low lane.
    __attribute__((target("vaes,avx2"))) static void LoadTail(Register* block, const uint8_t* in, size_t) {
        *block = _mm256_zextsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
    }
    __attribute__((target("vaes,avx2"))) static void StoreTail(uint8_t* out, const Register* block, size_t) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(*block));
    }
};

struct Lanes512 {
    using Register = __m512i;
    static constexpr size_t kBlocks = 4;

    // The zero-masked form: the plain broadcast trips a false "used uninitialized" warning in gcc 12.
    __attribute__((target("vaes,avx512f"))) static void Key(Register* key, const uint8_t roundKey[16]) {
        *key = _mm512_maskz_broadcast_i32x4(0xFFFF, _mm_load_si128(reinterpret_cast<const __m128i*>(roundKey)));
    }
    __attribute__((target("vaes,avx512f"))) static void Load(Register* block, const uint8_t* in) {
        *block = _mm512_loadu_si512(in);
    }
    __attribute__((target("vaes,avx512f"))) static void Store(uint8_t* out, const Register* block) {
        _mm512_storeu_si512(out, *block);
    }
    __attribute__((target("vaes,avx512f"))) static void Xor(Register* block, const Register* key) {
        *block = _mm512_xor_si512(*block, *key);
    }
    // One to three blocks left: masked lanes are neither read nor written.
    __attribute__((target("vaes,avx512f"))) static __mmask8 TailLanes(size_t blockCount) {
        return static_cast<__mmask8>((1u << (2 * blockCount)) - 1);
    }
    __attribute__((target("vaes,avx512f"))) static void LoadTail(Register* block, const uint8_t* in,
                                                                 size_t blockCount) {
        *block = _mm512_maskz_loadu_epi64(TailLanes(blockCount), in);
    }
    __attribute__((target("vaes,avx512f"))) static void StoreTail(uint8_t* out, const Register* block,
                                                                  size_t blockCount) {
        _mm512_mask_storeu_epi64(out, TailLanes(blockCount), *block);
    }
};

// The two templates below have no target of their own: they are always inlined into a width's entry,
// which has it.

// Count registers through every round, each round over all of them before the next, so that Count
// independent instructions cover the latency of one.
template <typename Lanes, typename Direction, int Rounds, size_t Count>
__attribute__((always_inline)) inline void CipherRegisters(typename Lanes::Register* blocks,
                                                           const typename Lanes::Register* keys) {
#pragma GCC unroll 8
    for (size_t i = 0; i < Count; ++i) {
        Lanes::Xor(&blocks[i], &keys[0]);
    }
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) {
#pragma GCC unroll 8
        for (size_t i = 0; i < Count; ++i) {
            Direction::Round(&blocks[i], &keys[r]);
        }
    }
#pragma GCC unroll 8
    for (size_t i = 0; i < Count; ++i) {
        Direction::LastRound(&blocks[i], &keys[Rounds]);
    }
}

// The loop of both widths: REGISTERS_IN_FLIGHT registers at a time, then one register at a time, then the
// tail.
template <typename Lanes, typename Direction, int Rounds>
__attribute__((always_inline)) inline void CipherBlocksOn(const AesRoundKeyBytes& keyBytes, const uint8_t* in,
                                                          uint8_t* out, size_t blockCount) {
    using Register = typename Lanes::Register;
    constexpr size_t registerBytes = 16 * Lanes::kBlocks;
    Register keys[Rounds + 1];
    for (int r = 0; r <= Rounds; ++r) {
        Lanes::Key(&keys[r], keyBytes.round[r]);
    }

    for (; blockCount >= REGISTERS_IN_FLIGHT * Lanes::kBlocks; blockCount -= REGISTERS_IN_FLIGHT * Lanes::kBlocks) {
        Register blocks[REGISTERS_IN_FLIGHT];
#pragma GCC unroll 8
        for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
            Lanes::Load(&blocks[i], in + registerBytes * i);
        }
        CipherRegisters<Lanes, Direction, Rounds, REGISTERS_IN_FLIGHT>(blocks, keys);
#pragma GCC unroll 8
        for (size_t i = 0; i < REGISTERS_IN_FLIGHT; ++i) {
            Lanes::Store(out + registerBytes * i, &blocks[i]);
        }
        in += registerBytes * REGISTERS_IN_FLIGHT;
        out += registerBytes * REGISTERS_IN_FLIGHT;
    }

    for (; blockCount >= Lanes::kBlocks; blockCount -= Lanes::kBlocks, in += registerBytes, out += registerBytes) {
        Register block;
        Lanes::Load(&block, in);
        CipherRegisters<Lanes, Direction, Rounds, 1>(&block, keys);
        Lanes::Store(out, &block);
    }

    if (blockCount > 0) {
        Register block;
        Lanes::LoadTail(&block, in, blockCount);
        CipherRegisters<Lanes, Direction, Rounds, 1>(&block, keys);
        Lanes::StoreTail(out, &block, blockCount);
    }
}

// Each width's entry: its target, and flatten so that the loop and every register operation are compiled
// into it with that target.
template <typename Direction, int Rounds>
__attribute__((target("vaes,avx512f"), flatten)) void
CipherBlocks512(const AesRoundKeyBytes& keyBytes, const uint8_t* in, uint8_t* out, size_t blockCount) {
    CipherBlocksOn<Lanes512, Direction, Rounds>(keyBytes, in, out, blockCount);
}

template <typename Direction, int Rounds>
__attribute__((target("vaes,avx2"), flatten)) void CipherBlocks256(const AesRoundKeyBytes& keyBytes, const uint8_t* in,
                                                                   uint8_t* out, size_t blockCount) {
    CipherBlocksOn<Lanes256, Direction, Rounds>(keyBytes, in, out, blockCount);
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
