// What the AES files share behind aes.h: the run-time tables of the table path and the bulk entry
// points of each hardware path. Not for use outside the cipher.
#pragma once

#include <cstddef>
#include <cstdint>

#include "aes.h"

#if defined(__x86_64__) || defined(__i386__)
#define TOLVANE_AES_X86 1
#else
#define TOLVANE_AES_X86 0
#endif

// Built once by AesGenTables; 256 entries each, a byte value or a column word.
extern uint32_t g_aesSbox[256];
extern uint32_t g_aesInvSbox[256];
extern uint32_t g_aesRoundConstants[10];                                // constant in the most significant byte
extern uint32_t g_aesT0[256], g_aesT1[256], g_aesT2[256], g_aesT3[256]; // SubBytes + MixColumns
extern uint32_t g_aesU0[256], g_aesU1[256], g_aesU2[256], g_aesU3[256]; // InvSubBytes + InvMixColumns
extern uint32_t g_aesK0[256], g_aesK1[256], g_aesK2[256], g_aesK3[256]; // InvMixColumns alone

// Builds K0..K3 from the S-box and U0..U3, once per process; the tables must already exist.
void AesGenKeyInversionTables();

// Round keys as the AES instructions take them: each round's 16 bytes in block order.
struct AesRoundKeyBytes {
    alignas(16) uint8_t round[15][16];
};

// The context keeps big-endian words, so every word is written out most significant byte first.
inline void AesGetRoundKeyBytes(const uint32_t* words, int rounds, AesRoundKeyBytes* keys) {
    for (int i = 0; i < 4 * (rounds + 1); ++i) {
        uint8_t* bytes = &keys->round[i / 4][4 * (i % 4)];
        bytes[0] = static_cast<uint8_t>(words[i] >> 24);
        bytes[1] = static_cast<uint8_t>(words[i] >> 16);
        bytes[2] = static_cast<uint8_t>(words[i] >> 8);
        bytes[3] = static_cast<uint8_t>(words[i]);
    }
}

#if TOLVANE_AES_X86
// Hardware paths, same contract as AesEncryptBlocks. Each needs the CPU features that
// AesImplementationSupported checks for it.
void AesNiEncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);
void AesNiDecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);
void AesVaes256EncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);
void AesVaes256DecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);
void AesVaes512EncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);
void AesVaes512DecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);
#endif

// Zeroes memory in a way the optimiser cannot remove, for key material that goes out of scope.
