// Header fields and body lengths of the container, both directions.
#include "container_layout.h"

#include <cstring>

EncHeader BuildPlainHeader(Utf16View bareName, uint8_t padCount) {
    EncHeader header{};
    std::memcpy(header.data(), ENC_MAGIC, ENC_MAGIC_SIZE);
    for (size_t index = 0; index < bareName.size() && index < ENC_NAME_UNITS - 1; ++index) {
        const auto unit = static_cast<uint16_t>(bareName[index]);
        header[ENC_NAME_OFFSET + 2 * index] = static_cast<uint8_t>(unit & 0xFF);
        header[ENC_NAME_OFFSET + 2 * index + 1] = static_cast<uint8_t>(unit >> 8);
    }
    header[ENC_RESERVED_OFFSET] = 0;
    header[ENC_PAD_OFFSET] = padCount;
    return header;
}

bool HasHeaderMagic(const EncHeader& plainHeader) {
    return std::memcmp(plainHeader.data(), ENC_MAGIC, ENC_MAGIC_SIZE) == 0;
}

Utf16String StoredNameOf(const EncHeader& plainHeader) {
    Utf16String name;
    for (size_t index = 0; index < ENC_NAME_UNITS; ++index) {
        const auto unit = static_cast<Utf16Char>(plainHeader[ENC_NAME_OFFSET + 2 * index] |
                                                 (plainHeader[ENC_NAME_OFFSET + 2 * index + 1] << 8));
        if (unit == 0) {
            break;
        }
        name.push_back(unit);
    }
    return name;
}

uint8_t PadCountOf(const EncHeader& plainHeader) {
    return plainHeader[ENC_PAD_OFFSET];
}

uint8_t PadCountFor(uint64_t plainLength) {
    return static_cast<uint8_t>(ENC_BLOCK_SIZE - plainLength % ENC_BLOCK_SIZE);
}

FillerForm FillerFormFor(uint64_t plainLength) {
    if (plainLength % ENC_CHUNK_SIZE == 0) {
        return FillerForm::None;
    }
    return plainLength % ENC_BLOCK_SIZE == 0 ? FillerForm::RawZeroBlock : FillerForm::CompletesLastBlock;
}

uint64_t BodyLengthFor(uint64_t plainLength) {
    return FillerFormFor(plainLength) == FillerForm::None ? plainLength : plainLength + PadCountFor(plainLength);
}

bool BodyIsConsistent(uint64_t bodyLength, uint8_t padCount) {
    return padCount >= 1 && padCount <= ENC_BLOCK_SIZE && bodyLength % ENC_BLOCK_SIZE == 0 && padCount <= bodyLength;
}

bool LastBlockDecidesFiller(uint64_t bodyLength, uint8_t padCount) {
    return bodyLength % ENC_CHUNK_SIZE == 0 && padCount == ENC_BLOCK_SIZE;
}

uint64_t FillerLengthOnRead(uint64_t bodyLength, uint8_t padCount, bool lastBlockIsRawZero) {
    if (LastBlockDecidesFiller(bodyLength, padCount)) {
        // A whole number of chunks with pad count 16 is either a plain file of whole chunks (no filler) or one
        // block short of that with its filler block, which this engine writes as raw zeros. Enciphered data
        // gives 16 zero bytes by chance once in 2^128 blocks.
        return lastBlockIsRawZero ? ENC_BLOCK_SIZE : 0;
    }
    return padCount;
}
