// AES block cipher (FIPS-197) for 128-, 192- and 256-bit keys.
// The table-driven reference path, plus bulk entry points that use AES-NI or VAES when the CPU has them.
//
// Timing: the AES-NI and VAES paths are constant-time; their round instructions take the same time
// whatever the key and the data. The table path is not: its lookups are indexed by key-dependent bytes,
// so their cache timing can leak the key to code sharing the processor. The bulk entry points use it
// only on a processor without AES instructions; the single-block functions always use it (the container
// ciphers its data with the bulk entry points).
#pragma once

#include <cstddef>
#include <cstdint>

// One key, both directions. Words are big-endian: byte 0 of a block or key is the most significant
// byte of word 0, so a block's 16 bytes are the four state columns in order.
struct AesContext {
    uint32_t encRoundKeys[64]; // round 0 first, four words a round; 4 * (rounds + 1) in use
    uint32_t decRoundKeys[64]; // equivalent inverse cipher: in the order the decryption rounds use them
    int32_t rounds;            // 10, 12 or 14
};

// Builds the S-boxes, round constants and the round tables. Called once per process by AesSetKey;
// safe to reach from several threads at once.
void AesGenTables();

// Sets up both key schedules. keyBits is 128, 192 or 256. Returns 0 on success, 1 for any other
// length, in which case the context is left exactly as it was.
int AesSetKey(AesContext* context, const uint8_t* key, int keyBits);

// One block with the table path (not constant-time, see above). in and out may be the same buffer. The context must
// have been set up by a successful AesSetKey; nothing is checked.
void AesEncryptBlock(const AesContext* context, const uint8_t in[16], uint8_t out[16]);
void AesDecryptBlock(const AesContext* context, const uint8_t in[16], uint8_t out[16]);

// Bulk work for the container: blockCount independent blocks (ECB), in place or out of place (in and
// out either equal or not overlapping). Runs on the fastest implementation this CPU supports; the
// result is identical to calling the block functions once per block.
void AesEncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);
void AesDecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount);

// The implementations behind the bulk entry points, exposed so tests and benchmarks can compare them.
enum class AesImplementation { Table, AesNi, Vaes256, Vaes512 };

// True when this CPU (and this build) can run the implementation. Table is always supported.
bool AesImplementationSupported(AesImplementation implementation);

// The implementation the bulk entry points use: the fastest supported one, chosen once.
AesImplementation AesSelectedImplementation();

// Short lower-case name for reports: "table", "aesni", "vaes256", "vaes512".
const char* AesImplementationName(AesImplementation implementation);

// Bulk work on one named implementation. One this CPU cannot run falls back to the table path rather than
// faulting on an unknown instruction.
void AesEncryptBlocksWith(AesImplementation implementation, const AesContext* context, const uint8_t* in, uint8_t* out,
                          size_t blockCount);
void AesDecryptBlocksWith(AesImplementation implementation, const AesContext* context, const uint8_t* in, uint8_t* out,
                          size_t blockCount);

// Overwrites the context's key material with zeros in a way the compiler cannot drop.
void AesWipeContext(AesContext* context);
