// What the file layer remembers of a source it took (file_io.h): where it is, and enough of its state to
// tell, before the source is deleted, whether the name still holds that very file, unchanged.
#pragma once

#include <cstdint>

// What identifies the file that was read, so that only that file is deleted afterwards: not one that was
// put under its name meanwhile, nor one that was changed (even with its modification time put back).
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t fileIndex = 0;
    uint64_t size = 0;
    int64_t modified = 0;
    int64_t changed = 0;      // POSIX status change time; 0 on Windows, where the source cannot change
    uint32_t links = 1;       // names the file has; more than one keeps it readable after a deletion
    uint32_t permissions = 0; // POSIX mode bits, passed on to the output; 0 on Windows
    uint32_t owner = 0;       // POSIX owner and group, passed on to the output
    uint32_t group = 0;
};
