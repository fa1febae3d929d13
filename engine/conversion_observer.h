// What a conversion tells the one who asked for it while it runs, and how that one stops it: an object of
// the caller's, handed to that conversion alone (container.h), so that conversions made at the same time
// each report to their own caller. Without one a conversion is silent and never stops early.
#pragma once

#include <cstdint>

#include "path_text.h"

// Called on the converting thread, in the order of the conversion. Every method does nothing (and
// StopRequested gives false) unless overridden.
class ConversionObserver {
public:
    // The source opened and is not empty: its full path and its length. Once, before any chunk.
    virtual void FileStarted(const PathString& path, uint64_t totalBytes);
    // A chunk was read: 1 to ENC_CHUNK_SIZE bytes. A container's chunks add up to its length less
    // ENC_HEADER_SIZE, a plain file's to its length.
    virtual void ChunkDone(uint64_t bytes);
    // The container's header check failed (wrong password, or not a container). Once for that container.
    virtual void WrongPassword(const PathString& containerPath);
    // Asked after every chunk and before the output is finished: true stops the conversion with
    // Interrupted.
    virtual bool StopRequested();

protected:
    ~ConversionObserver() = default;
};
