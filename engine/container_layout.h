// The container's byte layout and body arithmetic in one place (see enc_format.h for the picture).
// Lengths are 64-bit throughout: files of 4 GiB and more are nothing special.
#pragma once

#include <array>
#include <cstdint>

#include "enc_format.h"
#include "path_text.h"

inline constexpr size_t ENC_BLOCK_SIZE = 16;
inline constexpr size_t ENC_HEADER_BLOCKS = ENC_HEADER_SIZE / ENC_BLOCK_SIZE;
inline constexpr size_t ENC_RESERVED_OFFSET = 526;

using EncHeader = std::array<uint8_t, ENC_HEADER_SIZE>;

// The header before enciphering. bareName holds at most ENC_NAME_UNITS - 1 units (room for the terminator).
EncHeader BuildPlainHeader(Utf16View bareName, uint8_t padCount);
bool HasHeaderMagic(const EncHeader& plainHeader);
// The stored name up to its terminator; a field without one gives all ENC_NAME_UNITS units.
Utf16String StoredNameOf(const EncHeader& plainHeader);
uint8_t PadCountOf(const EncHeader& plainHeader);

// Writing: the pad count for a plain length, and what follows the plain data.
uint8_t PadCountFor(uint64_t plainLength);
enum class FillerForm {
    None,               // the length is a whole multiple of ENC_CHUNK_SIZE
    CompletesLastBlock, // pad count bytes of zeros, enciphered with the data they complete
    RawZeroBlock,       // the length ends on a block boundary: one block of 16 zero bytes, not enciphered
};
FillerForm FillerFormFor(uint64_t plainLength);
uint64_t BodyLengthFor(uint64_t plainLength);

// Reading: false for a body that no writer makes (pad count 0 or above 16, a length that is not whole
// blocks, a pad count longer than the body); such a container is refused.
bool BodyIsConsistent(uint64_t bodyLength, uint8_t padCount);
// True when the body's end is ambiguous (whole multiple of a chunk, pad count 16) and its last stored block
// must be looked at.
bool LastBlockDecidesFiller(uint64_t bodyLength, uint8_t padCount);
// Bytes of filler at the body's end. lastBlockIsRawZero: the last 16 stored bytes are all zero.
uint64_t FillerLengthOnRead(uint64_t bodyLength, uint8_t padCount, bool lastBlockIsRawZero);
