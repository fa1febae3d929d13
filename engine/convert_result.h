// What one conversion ends in: the outcome, how a caller counts it, and the result the procedures of
// container.h return with it.
#pragma once

#include <cstdint>

#include "path_text.h"

// What happened to one file. EncryptOneFile and DecryptOneFile give 1 for the two Converted kinds only.
// On every outcome but the two Converted ones the disk is as before the call: the source untouched, no
// output, no temporary file (unless even its removal failed; it keeps an engine temporary name).
enum class ConvertOutcome {
    Converted,            // output complete, flushed, under its final name (outputPath); source deleted
    ConvertedSourceKept,  // output complete as above, but the source is still there: its deletion failed
                          // (read-only, say), it was replaced or changed meanwhile, the new name could not
                          // be made durable, or it has other names (hard links, otherLinks) under which it
                          // would stay readable. An encrypt caller should report this: the plain file is
                          // still there in the clear. When the name had been taken by another file by the
                          // time the source could go, the source stays under a visible free name
                          // (keptSourcePath).
    ConvertedSourceMoved, // output complete, but the source was moved away (or deleted) by someone else
                          // while it was converted: movedSourceReadable tells whether it still has a name
                          // somewhere, under which it stays readable. Not a protected file.
    SkippedEmpty,         // the source (plain file or container) is empty: nothing to convert
    SkippedNotContainer,  // decrypt of a file whose extension is not ENC (in any case): nothing opened
    NotARegularFile,      // the name holds a link (never followed), a folder or a device: nothing changed
    WrongPassword,        // header text differs: wrong password or not a container (the observer was told)
    Damaged,              // container shorter than its header, or a body no writer makes (pad count 0 or
                          // above 16, not whole blocks, pad count longer than the body)
    BadPath,              // null path or password, empty path, no folder part, a path ending in a
                          // separator, or a name that cannot be stored exactly (POSIX: not valid UTF-8;
                          // longer than 255 UTF-16 units)
    SourceInUse,          // another program has the source open for writing (or mapped shared-writable), or
                          // opened it for writing while it was converted: nothing changed, the source kept
    SourceUnreadable, // the source cannot be opened (missing, locked, taken by another conversion), a read failed, or
                      // its length changed while it was read
    OutputFailed,     // the output could not be created, written (disk full), flushed or moved to a
                      // free name
    OutOfMemory,      // the chunk buffer could not be allocated
    Interrupted,      // the observer asked to stop (StopRequested) before the output was complete:
                      // the temporary output is removed and the source left as it was
};

// How a caller counts an outcome: the file converted, passed over (nothing to do, nothing lost), or a
// conversion meant that did not happen or left the plain file in the clear.
enum class OutcomeKind { Converted, Skipped, Failed };
OutcomeKind KindOfOutcome(ConvertOutcome outcome);

// True for the three Converted kinds: the output stands complete under its final name (outputPath),
// whatever became of the source.
bool ConvertedAtAll(ConvertOutcome outcome);

struct ConvertResult {
    ConvertOutcome outcome = ConvertOutcome::BadPath;
    PathString outputPath;            // the final output's full path when converted, else empty
    int systemError = 0;              // for SourceUnreadable, OutputFailed and ConvertedSourceKept: the error of the
                                      // system call that failed (system_error.h), 0 when none did
    uint32_t otherLinks = 0;          // for ConvertedSourceKept: the source's other names, which keep it readable
    PathString keptSourcePath;        // for ConvertedSourceKept: where the source now is, when not at its name
    bool movedSourceReadable = false; // for ConvertedSourceMoved: the source still has a name elsewhere
};
