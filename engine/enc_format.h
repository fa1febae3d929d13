// The ".ENC" container format: what stands in a container, byte for byte, and its constants. Stored
// containers, other writers and every reader depend on it; nothing here may change.
#pragma once

#include <cstddef>

// Layout (all multi-byte values little-endian). L is the plain file's length, p its pad count.
//   offset 0    528 bytes  header: 33 blocks of 16 bytes, each enciphered alone with AES-256 (ECB)
//   offset 528  B bytes    body: the plain data in 16-byte blocks, each enciphered alone, then the filler
// The header before enciphering:
//   offset 0    14 bytes   "Encrypt AES256" (no terminator)
//   offset 14   512 bytes  bare name of the plain file, UTF-16LE, zero-terminated (at most 256 units;
//                          the bytes after the terminator mean nothing)
//   offset 526  1 byte     reserved, 0
//   offset 527  1 byte     pad count p = 16 - (L mod 16), 1..16
// The filler, and how a reader tells where the plain data ends:
//   - L not a multiple of 16: p zero bytes complete the last block and are enciphered with it; B = L + p.
//   - L a multiple of 16 but not of ENC_CHUNK_SIZE: one block of 16 zero bytes, stored raw (not
//     enciphered); B = L + 16, p = 16.
//   - L a whole multiple of ENC_CHUNK_SIZE: no filler at all; B = L, although p reads 16.
//   A body that is a whole multiple of ENC_CHUNK_SIZE with p = 16 is therefore ambiguous: a last stored
//   block of 16 zero bytes is the raw filler (and is dropped), any other last block is data. Other
//   writers have enciphered that filler block; such a container decrypts to the same plain data, since
//   the reader drops the last p bytes whenever the body is not a whole multiple of ENC_CHUNK_SIZE.
//   There is no checksum, no length field and no authentication: the header text is the only check.
inline constexpr size_t ENC_HEADER_SIZE = 528;
inline constexpr size_t ENC_CHUNK_SIZE = 1048576;
inline constexpr size_t ENC_MAGIC_SIZE = 14;
inline constexpr size_t ENC_NAME_OFFSET = 14;
inline constexpr size_t ENC_NAME_UNITS = 256;
inline constexpr size_t ENC_PAD_OFFSET = 527;
inline constexpr char ENC_MAGIC[ENC_MAGIC_SIZE + 1] = "Encrypt AES256";

// A password has 1 to 32 UTF-16 units; the key is made from its units up to U+00FF (file_key.h).
inline constexpr size_t ENC_MAX_PASSWORD_UNITS = 32;
