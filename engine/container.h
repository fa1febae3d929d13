// The ".ENC" container: one plain file into one container beside it, and back, under a password.
// Also the two path functions the walker shares, and the engine's progress and message hooks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "path_text.h"

class HeldFolder; // folder.h

// Layout of a container (all multi-byte values little-endian):
//   offset 0    528 bytes  header, each of its 33 blocks enciphered alone with AES-256 (ECB)
//   offset 528  B bytes    body: the plain data, then the filler, in 16-byte blocks enciphered alone
// The header before enciphering:
//   offset 0    14 bytes   "Encrypt AES256"
//   offset 14   512 bytes  bare name of the plain file, UTF-16LE, zero-terminated (at most 256 units)
//   offset 526  1 byte     reserved, 0
//   offset 527  1 byte     pad count p = 16 - (L mod 16), 1..16
// The filler is p bytes, except when L is a whole multiple of ENC_CHUNK_SIZE: then there is none.
inline constexpr size_t ENC_HEADER_SIZE = 528;
inline constexpr size_t ENC_CHUNK_SIZE = 1048576;
inline constexpr size_t ENC_MAGIC_SIZE = 14;
inline constexpr size_t ENC_NAME_OFFSET = 14;
inline constexpr size_t ENC_NAME_UNITS = 256;
inline constexpr size_t ENC_PAD_OFFSET = 527;
inline constexpr size_t ENC_MAX_PASSWORD_UNITS = 32;
inline constexpr char ENC_MAGIC[ENC_MAGIC_SIZE + 1] = "Encrypt AES256";

// What happened to one file. EncryptOneFile and DecryptOneFile give 1 for the two Converted kinds only.
// On every outcome but the two Converted ones the disk is as before the call: the source untouched, no
// output, no temporary file (unless even its removal failed; a later batch removes it, RemoveStaleTempFile).
enum class ConvertOutcome {
    Converted,           // output complete, flushed, under its final name (outputPath); source deleted
    ConvertedSourceKept, // output complete as above, but the source is still there: its deletion failed
                         // (read-only, say), it was replaced or changed meanwhile, the new name could not
                         // be made durable, or it has other names (hard links, otherLinks) under which it
                         // would stay readable. An encrypt caller should report this: the plain file is
                         // still there in the clear.
    SkippedEmpty,        // the source (plain file or container) is empty: nothing to convert
    SkippedNotContainer, // decrypt of a file whose extension is not ENC (in any case): nothing opened
    NotARegularFile,     // the name holds a link (never followed), a folder or a device: nothing changed
    WrongPassword,       // header text differs: wrong password or not a container (the hook was called)
    Damaged,             // container shorter than its header, or a body no writer makes (pad count 0 or
                         // above 16, not whole blocks, pad count longer than the body)
    BadPath,             // null path or password, empty path, no folder part, a path ending in a
                         // separator, or a name that cannot be stored exactly (POSIX: not valid UTF-8;
                         // longer than 255 UTF-16 units)
    SourceUnreadable, // the source cannot be opened (missing, locked, taken by another conversion), a read failed, or
                      // its length changed while it was read
    OutputFailed,     // the output could not be created, written (disk full), flushed or moved to a
                      // free name
    OutOfMemory,      // the chunk buffer could not be allocated
    Interrupted,      // the interrupt check (SetInterruptCheck) asked to stop before the output was
                      // complete: the temporary output is removed and the source left as it was
};

// How a caller counts an outcome: the file converted, passed over (nothing to do, nothing lost), or a
// conversion meant that did not happen or left the plain file in the clear.
enum class OutcomeKind { Converted, Skipped, Failed };
OutcomeKind KindOfOutcome(ConvertOutcome outcome);

struct ConvertResult {
    ConvertOutcome outcome = ConvertOutcome::BadPath;
    PathString outputPath;   // the final output's full path when converted, else empty
    int systemError = 0;     // for SourceUnreadable, OutputFailed and ConvertedSourceKept: the error of the
                             // system call that failed (system_error.h), 0 when none did
    uint32_t otherLinks = 0; // for ConvertedSourceKept: the source's other names, which keep it readable
};

// Full forms: the outcome and the output's name, for the walker and the command line. The output never
// replaces an existing file: when its name is taken, " (2)", " (3)", ... is inserted before ".ENC"
// (encrypting) or before the restored name's last dot, or at its end (decrypting). Names stay within
// 255 UTF-16 units (and 255 UTF-8 bytes on POSIX) by shortening the stem.
ConvertResult EncryptToContainer(const PathChar* path, const Utf16Char* password);
ConvertResult DecryptFromContainer(const PathChar* path, const Utf16Char* password);

// The same for the entry name of an open folder, which the walker holds: nothing is reached through a
// link, and the output is made in that folder whatever becomes of the path it was reached by.
ConvertResult EncryptEntry(const HeldFolder& folder, PathView name, const Utf16Char* password);
ConvertResult DecryptEntry(const HeldFolder& folder, PathView name, const Utf16Char* password);

// 1 when the file was converted (its source deletion attempted), 0 otherwise.
int EncryptOneFile(const PathChar* path, const Utf16Char* password);
int DecryptOneFile(const PathChar* path, const Utf16Char* password);

// Text after the last separator of path into out; 1 on success. 0 when either pointer is null, the path
// has fewer than two units, or no separator stands after its first unit. A path ending in a separator
// gives an empty name and 1. Separators are '\\' and '/' on Windows, '/' on POSIX (where "/name", a file
// in the root folder, has a folder part).
int GetBareFileName(PathString* out, const PathChar* path);

// The extension of the last path component, ASCII letters upper-cased, into out; 1 when there is one.
// 0 (out empty) when a pointer is null, the path is empty, a separator comes before any dot, or there is
// no dot after the first unit.
int GetUpperExtension(const PathChar* path, PathString* out);

// True when the last component's extension is "ENC" in any letter case.
bool IsContainerName(PathView path);

// The bare name stored in the last container whose header passed the check (the name actually used on
// disk when a free name had to be chosen). Shared by the whole module.
inline constexpr size_t RESTORED_NAME_UNITS = 260;
extern Utf16Char g_szRestoredName[RESTORED_NAME_UNITS];

// Progress: a file start gives (path, its size, 0), made for every source that opens and is not empty;
// each chunk read gives (nullptr, 0, bytes read), 1 to ENC_CHUNK_SIZE. A container's chunks add up to its
// length less ENC_HEADER_SIZE, a plain file's to its length. Without a hook nothing happens.
using ProgressHook = void (*)(void* context, const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes);
void SetProgressHook(ProgressHook hook, void* context);
void ReportProgress(const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes);

// Shown once for each container whose header check fails. Without a hook nothing is shown.
using WrongPasswordHook = void (*)(void* context, const PathChar* containerPath);
void SetWrongPasswordHook(WrongPasswordHook hook, void* context);

// Asked after every chunk and before the output is finished; true stops the conversion in hand with
// Interrupted. Without a check the engine never stops early.
using InterruptCheck = bool (*)(void* context);
void SetInterruptCheck(InterruptCheck check, void* context);
