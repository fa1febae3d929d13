// One fuzz input through the container reader with a fixed password, and the checks that must hold
// whatever the input: shared by the libFuzzer target and by the test that replays saved inputs.
//
// Input: one flag byte, then the container.
//   flag bit 0 clear: the rest is a container as stored on disk.
//   flag bit 0 set:   the rest is the container before enciphering (header and body in the clear); the
//                     harness enciphers each whole block with the fixed password, so that mutations reach
//                     the name, the pad count and the body's end directly. With bit 1 set as well, the last
//                     whole block is stored raw (as the zero filler block is).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "path_text.h"

inline constexpr Utf16Char kFuzzPassword[] = TOLVANE_UTF16_LITERAL("fuzz password 1");
inline constexpr uint8_t kFuzzPlainImage = 1;
inline constexpr uint8_t kFuzzLastBlockRaw = 2;

// Runs the input through the header parsing and DecryptFromContainer on a file in a private folder (on /dev/shm
// where there is one), and aborts with a message when a check fails. Always returns 0.
int ReadContainerInput(const uint8_t* data, size_t size);

// The container bytes as stored on disk for an input (the flag byte's enciphering done).
std::vector<uint8_t> StoredContainerOf(const uint8_t* data, size_t size);
