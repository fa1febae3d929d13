// The table path: key schedules for both directions and the one-block cipher, four 32-bit lookups
// per output word. The reference every hardware path is checked against; contract in aes.h.
#include "aes_internal.h"

namespace {

uint32_t LoadBigEndian(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | uint32_t{bytes[3]};
}

void StoreBigEndian(uint32_t word, uint8_t* bytes) {
    bytes[0] = static_cast<uint8_t>(word >> 24);
    bytes[1] = static_cast<uint8_t>(word >> 16);
    bytes[2] = static_cast<uint8_t>(word >> 8);
    bytes[3] = static_cast<uint8_t>(word);
}

uint32_t SubWord(uint32_t w) {
    return (g_aesSbox[w >> 24] << 24) | (g_aesSbox[(w >> 16) & 0xFF] << 16) | (g_aesSbox[(w >> 8) & 0xFF] << 8) |
           g_aesSbox[w & 0xFF];
}

uint32_t RotWord(uint32_t w) {
    return (w << 8) | (w >> 24);
}

uint32_t InvMixColumn(uint32_t w) {
    return g_aesK0[w >> 24] ^ g_aesK1[(w >> 16) & 0xFF] ^ g_aesK2[(w >> 8) & 0xFF] ^ g_aesK3[w & 0xFF];
}

void ExpandEncryptionKey(uint32_t* w, int keyWords) {
    switch (keyWords) {
    case 4:
        for (int step = 0; step < 10; ++step, w += 4) {
            w[4] = w[0] ^ SubWord(RotWord(w[3])) ^ g_aesRoundConstants[step];
            w[5] = w[1] ^ w[4];
            w[6] = w[2] ^ w[5];
            w[7] = w[3] ^ w[6];
        }
        break;
    case 6:
        for (int step = 0; step < 8; ++step, w += 6) {
            w[6] = w[0] ^ SubWord(RotWord(w[5])) ^ g_aesRoundConstants[step];
            w[7] = w[1] ^ w[6];
            w[8] = w[2] ^ w[7];
            w[9] = w[3] ^ w[8];
            w[10] = w[4] ^ w[9];
            w[11] = w[5] ^ w[10];
        }
        break;
    default:
        for (int step = 0; step < 7; ++step, w += 8) {
            w[8] = w[0] ^ SubWord(RotWord(w[7])) ^ g_aesRoundConstants[step];
            w[9] = w[1] ^ w[8];
            w[10] = w[2] ^ w[9];
            w[11] = w[3] ^ w[10];
            w[12] = w[4] ^ SubWord(w[11]);
            w[13] = w[5] ^ w[12];
            w[14] = w[6] ^ w[13];
            w[15] = w[7] ^ w[14];
        }
        break;
    }
}

// Equivalent inverse cipher: the rounds in reverse order, the inner ones through InvMixColumns so
// that decryption has the same shape as encryption.
void DeriveDecryptionKey(const uint32_t* encryption, uint32_t* decryption, int rounds) {
    for (int j = 0; j < 4; ++j) {
        decryption[j] = encryption[4 * rounds + j];
        decryption[4 * rounds + j] = encryption[j];
    }
    for (int i = 1; i < rounds; ++i) {
        for (int j = 0; j < 4; ++j) {
            decryption[4 * i + j] = InvMixColumn(encryption[4 * (rounds - i) + j]);
        }
    }
}

// One full round: ShiftRows picks the source column of each row, the table does SubBytes and
// MixColumns (or their inverses) for that row.
inline void ForwardRound(const uint32_t* s, uint32_t* t, const uint32_t* roundKey) {
    t[0] = g_aesT0[s[0] >> 24] ^ g_aesT1[(s[1] >> 16) & 0xFF] ^ g_aesT2[(s[2] >> 8) & 0xFF] ^ g_aesT3[s[3] & 0xFF] ^
           roundKey[0];
    t[1] = g_aesT0[s[1] >> 24] ^ g_aesT1[(s[2] >> 16) & 0xFF] ^ g_aesT2[(s[3] >> 8) & 0xFF] ^ g_aesT3[s[0] & 0xFF] ^
           roundKey[1];
    t[2] = g_aesT0[s[2] >> 24] ^ g_aesT1[(s[3] >> 16) & 0xFF] ^ g_aesT2[(s[0] >> 8) & 0xFF] ^ g_aesT3[s[1] & 0xFF] ^
           roundKey[2];
    t[3] = g_aesT0[s[3] >> 24] ^ g_aesT1[(s[0] >> 16) & 0xFF] ^ g_aesT2[(s[1] >> 8) & 0xFF] ^ g_aesT3[s[2] & 0xFF] ^
           roundKey[3];
}

inline void InverseRound(const uint32_t* s, uint32_t* t, const uint32_t* roundKey) {
    t[0] = g_aesU0[s[0] >> 24] ^ g_aesU1[(s[3] >> 16) & 0xFF] ^ g_aesU2[(s[2] >> 8) & 0xFF] ^ g_aesU3[s[1] & 0xFF] ^
           roundKey[0];
    t[1] = g_aesU0[s[1] >> 24] ^ g_aesU1[(s[0] >> 16) & 0xFF] ^ g_aesU2[(s[3] >> 8) & 0xFF] ^ g_aesU3[s[2] & 0xFF] ^
           roundKey[1];
    t[2] = g_aesU0[s[2] >> 24] ^ g_aesU1[(s[1] >> 16) & 0xFF] ^ g_aesU2[(s[0] >> 8) & 0xFF] ^ g_aesU3[s[3] & 0xFF] ^
           roundKey[2];
    t[3] = g_aesU0[s[3] >> 24] ^ g_aesU1[(s[2] >> 16) & 0xFF] ^ g_aesU2[(s[1] >> 8) & 0xFF] ^ g_aesU3[s[0] & 0xFF] ^
           roundKey[3];
}

inline uint32_t SubstitutedColumn(const uint32_t* box, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return (box[a >> 24] << 24) | (box[(b >> 16) & 0xFF] << 16) | (box[(c >> 8) & 0xFF] << 8) | box[d & 0xFF];
}

} // namespace

int AesSetKey(AesContext* context, const uint8_t* key, int keyBits) {
    AesGenTables();

    int rounds;
    switch (keyBits) {
    case 128:
        rounds = 10;
        break;
    case 192:
        rounds = 12;
        break;
    case 256:
        rounds = 14;
        break;
    default:
        return 1;
    }

    const int keyWords = keyBits / 32;
    for (int i = 0; i < keyWords; ++i) {
        context->encRoundKeys[i] = LoadBigEndian(key + 4 * i);
    }
    ExpandEncryptionKey(context->encRoundKeys, keyWords);

    AesGenKeyInversionTables();
    DeriveDecryptionKey(context->encRoundKeys, context->decRoundKeys, rounds);
    // Words past the last round key would otherwise keep expansion leftovers or an earlier, longer key.
    for (int i = 4 * (rounds + 1); i < 64; ++i) {
        context->encRoundKeys[i] = 0;
        context->decRoundKeys[i] = 0;
    }
    context->rounds = rounds;
    return 0;
}

void AesEncryptBlock(const AesContext* context, const uint8_t in[16], uint8_t out[16]) {
    const uint32_t* rk = context->encRoundKeys;
    uint32_t s[4] = {LoadBigEndian(in) ^ rk[0], LoadBigEndian(in + 4) ^ rk[1], LoadBigEndian(in + 8) ^ rk[2],
                     LoadBigEndian(in + 12) ^ rk[3]};
    uint32_t t[4];

    ForwardRound(s, t, rk + 4);
    ForwardRound(t, s, rk + 8);
    ForwardRound(s, t, rk + 12);
    ForwardRound(t, s, rk + 16);
    ForwardRound(s, t, rk + 20);
    ForwardRound(t, s, rk + 24);
    ForwardRound(s, t, rk + 28);
    ForwardRound(t, s, rk + 32);
    ForwardRound(s, t, rk + 36);
    if (context->rounds > 10) {
        ForwardRound(t, s, rk + 40);
        ForwardRound(s, t, rk + 44);
        if (context->rounds > 12) {
            ForwardRound(t, s, rk + 48);
            ForwardRound(s, t, rk + 52);
        }
    }

    rk += 4 * context->rounds;
    StoreBigEndian(SubstitutedColumn(g_aesSbox, t[0], t[1], t[2], t[3]) ^ rk[0], out);
    StoreBigEndian(SubstitutedColumn(g_aesSbox, t[1], t[2], t[3], t[0]) ^ rk[1], out + 4);
    StoreBigEndian(SubstitutedColumn(g_aesSbox, t[2], t[3], t[0], t[1]) ^ rk[2], out + 8);
    StoreBigEndian(SubstitutedColumn(g_aesSbox, t[3], t[0], t[1], t[2]) ^ rk[3], out + 12);
}

void AesDecryptBlock(const AesContext* context, const uint8_t in[16], uint8_t out[16]) {
    const uint32_t* rk = context->decRoundKeys;
    uint32_t s[4] = {LoadBigEndian(in) ^ rk[0], LoadBigEndian(in + 4) ^ rk[1], LoadBigEndian(in + 8) ^ rk[2],
                     LoadBigEndian(in + 12) ^ rk[3]};
    uint32_t t[4];

    InverseRound(s, t, rk + 4);
    InverseRound(t, s, rk + 8);
    InverseRound(s, t, rk + 12);
    InverseRound(t, s, rk + 16);
    InverseRound(s, t, rk + 20);
    InverseRound(t, s, rk + 24);
    InverseRound(s, t, rk + 28);
    InverseRound(t, s, rk + 32);
    InverseRound(s, t, rk + 36);
    if (context->rounds > 10) {
        InverseRound(t, s, rk + 40);
        InverseRound(s, t, rk + 44);
        if (context->rounds > 12) {
            InverseRound(t, s, rk + 48);
            InverseRound(s, t, rk + 52);
        }
    }

    rk += 4 * context->rounds;
    StoreBigEndian(SubstitutedColumn(g_aesInvSbox, t[0], t[3], t[2], t[1]) ^ rk[0], out);
    StoreBigEndian(SubstitutedColumn(g_aesInvSbox, t[1], t[0], t[3], t[2]) ^ rk[1], out + 4);
    StoreBigEndian(SubstitutedColumn(g_aesInvSbox, t[2], t[1], t[0], t[3]) ^ rk[2], out + 8);
    StoreBigEndian(SubstitutedColumn(g_aesInvSbox, t[3], t[2], t[1], t[0]) ^ rk[3], out + 12);
}
