// The table path's lookup tables, built at run time once per process: S-boxes, round constants, the
// forward and inverse round tables, and the key-inversion tables for the decryption key schedule.
#include <mutex>

#include "aes_internal.h"

uint32_t g_aesSbox[256];
uint32_t g_aesInvSbox[256];
uint32_t g_aesRoundConstants[10];
uint32_t g_aesT0[256], g_aesT1[256], g_aesT2[256], g_aesT3[256];
uint32_t g_aesU0[256], g_aesU1[256], g_aesU2[256], g_aesU3[256];
uint32_t g_aesK0[256], g_aesK1[256], g_aesK2[256], g_aesK3[256];

namespace {

std::once_flag g_tablesBuilt;
std::once_flag g_keyInversionTablesBuilt;

// Multiplication by x in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
uint32_t Xtime(uint32_t a) {
    return ((a << 1) ^ ((a & 0x80) != 0 ? 0x1B : 0)) & 0xFF;
}

uint32_t RotateByteLeft(uint32_t a, int bits) {
    return ((a << bits) | (a >> (8 - bits))) & 0xFF;
}

uint32_t RotateWordRight(uint32_t w, int bits) {
    return (w >> bits) | (w << (32 - bits));
}

void BuildTables() {
    // Powers of the generator 3 and their logarithms make every product two lookups.
    // The powers repeat with period 255, so power[255] == power[0] == 1.
    uint32_t power[256];
    uint32_t logarithm[256] = {};
    uint32_t value = 1;
    for (uint32_t i = 0; i < 255; ++i) {
        power[i] = value;
        logarithm[value] = i;
        value ^= Xtime(value);
    }
    power[255] = value;
    auto multiply = [&](uint32_t a, uint32_t b) -> uint32_t {
        if (a == 0 || b == 0) {
            return 0;
        }
        return power[(logarithm[a] + logarithm[b]) % 255];
    };

    uint32_t constant = 1;
    for (uint32_t& roundConstant : g_aesRoundConstants) {
        roundConstant = constant << 24;
        constant = Xtime(constant);
    }

    g_aesSbox[0] = 0x63;
    g_aesInvSbox[0x63] = 0;
    for (uint32_t x = 1; x < 256; ++x) {
        const uint32_t inverse = power[255 - logarithm[x]];
        const uint32_t s = inverse ^ RotateByteLeft(inverse, 1) ^ RotateByteLeft(inverse, 2) ^
                           RotateByteLeft(inverse, 3) ^ RotateByteLeft(inverse, 4) ^ 0x63;
        g_aesSbox[x] = s;
        g_aesInvSbox[s] = x;
    }

    for (uint32_t x = 0; x < 256; ++x) {
        const uint32_t s = g_aesSbox[x];
        const uint32_t forward = (multiply(2, s) << 24) | (s << 16) | (s << 8) | multiply(3, s);
        g_aesT0[x] = forward;
        g_aesT1[x] = RotateWordRight(forward, 8);
        g_aesT2[x] = RotateWordRight(forward, 16);
        g_aesT3[x] = RotateWordRight(forward, 24);

        const uint32_t i = g_aesInvSbox[x];
        const uint32_t inverse =
            (multiply(0x0E, i) << 24) | (multiply(0x09, i) << 16) | (multiply(0x0D, i) << 8) | multiply(0x0B, i);
        g_aesU0[x] = inverse;
        g_aesU1[x] = RotateWordRight(inverse, 8);
        g_aesU2[x] = RotateWordRight(inverse, 16);
        g_aesU3[x] = RotateWordRight(inverse, 24);
    }
}

// Kj(x) = Uj(S(x)): the S-box undoes the inverse S-box inside U, leaving InvMixColumns alone.
void BuildKeyInversionTables() {
    for (uint32_t x = 0; x < 256; ++x) {
        const uint32_t s = g_aesSbox[x];
        g_aesK0[x] = g_aesU0[s];
        g_aesK1[x] = g_aesU1[s];
        g_aesK2[x] = g_aesU2[s];
        g_aesK3[x] = g_aesU3[s];
    }
}

} // namespace

// Several threads of one process may set up their first key at the same time: call_once makes the
// late ones wait until the tables are complete.
void AesGenTables() {
    std::call_once(g_tablesBuilt, BuildTables);
}

void AesGenKeyInversionTables() {
    std::call_once(g_keyInversionTablesBuilt, BuildKeyInversionTables);
}
