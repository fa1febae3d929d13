// Finishing the outputs of one folder together: their data to stable storage in one go, and their new names
// made durable with one flush of the folder, so that a folder of many small files does not wait on two
// flushes per file. Also how many outputs such a batch may hold open at once.
#pragma once

#include <cstddef>
#include <vector>

#include "file_io.h"

// Every output's data to stable storage. One entry per output: 0 when its data is there, else the system
// error (system_error.h) of what failed. Each output still passes the fault seam's Flush check of its own.
std::vector<int> FlushOutputs(const std::vector<TempOutput*>& outputs);

// After the moves: makes the new names of the outputs, all of one folder, durable. One entry per output as
// above.
std::vector<int> SyncOutputNames(const HeldFolder& folder, const std::vector<TempOutput*>& outputs);

#ifdef __linux__
// True when a Linux kernel of this release (uname's text, such as "6.1.0-13-amd64") reports from syncfs a
// write-back error of the file system since the descriptor it is called through was opened, as kernels
// from 5.8 on do. An older syncfs says nothing of a failed write-back, so a batch may not delete sources on
// its word.
bool SyncfsReportsWriteErrors(const char* kernelRelease);
#endif

// How many conversions, each holding its source and its output open, may wait at once, at most wanted,
// leaving handlesHeldElsewhere and a reserve to the rest of the process. At least one.
size_t ConversionsThatMayStayOpen(size_t wanted, size_t handlesHeldElsewhere);
