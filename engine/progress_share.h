// The share a progress display shows: of a file, its bytes read so far; of a batch, its files finished.
// One arithmetic for the progress window and the command line's status line.
#pragma once

#include <cstdint>

// part * 100 / whole with the remainder discarded, at most 100 (a file may grow while it is read); 0 for
// an empty whole. Exact for any 64-bit sizes: the product is formed bit by bit as a quotient and a
// remainder below whole, so it never overflows.
constexpr unsigned ProgressPercent(uint64_t part, uint64_t whole) {
    if (whole == 0) {
        return 0;
    }
    if (part >= whole) {
        return 100;
    }
    // (remainder + addend) mod whole, for both below whole, carrying into the quotient.
    const auto addModulo = [whole](uint64_t remainder, uint64_t addend, unsigned& quotient) {
        if (remainder >= whole - addend) {
            ++quotient;
            return remainder - (whole - addend);
        }
        return remainder + addend;
    };
    unsigned quotient = 0;
    uint64_t remainder = 0;
    for (int bit = 6; bit >= 0; --bit) { // 100 has seven binary digits
        quotient *= 2;
        remainder = addModulo(remainder, remainder, quotient);
        if ((100u >> bit) & 1u) {
            remainder = addModulo(remainder, part, quotient);
        }
    }
    return quotient;
}
