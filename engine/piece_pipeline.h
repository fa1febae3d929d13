// The body of one file on its way to the output: the thread that reads fills a piece, enciphers (or
// deciphers) it and hands it on, and the pieces are written in order. A large body is written on a thread
// of its own, so that reading and converting the next piece overlaps writing the last; a small one in
// line, on the reading thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "chunk_buffer.h"

class PiecePipeline {
public:
    // Writes one converted piece of size bytes (last: the body's final piece). False when the output
    // failed; the system's error is then read on the same thread, before anything else can change it.
    using Sink = std::function<bool(const uint8_t* piece, size_t size, bool last)>;

    // Room for a body of bodyLength bytes in pieces of at most pieceSize; nullptr when the memory cannot
    // be had. A body of at least kOverlapFrom bytes is handled on a thread of its own where one can be
    // started, with kPiecesInFlight pieces on the way; anything else in line, in one piece buffer.
    static std::unique_ptr<PiecePipeline> Create(uint64_t bodyLength, size_t pieceSize, Sink sink);

    static constexpr uint64_t kOverlapFrom = uint64_t{4} << 20;
    static constexpr size_t kPiecesInFlight = 4;

    // Abandons what is still on the way: the piece in hand is finished, the rest is dropped, and the
    // thread has ended before this returns. The buffers are wiped, since they held plain data.
    ~PiecePipeline();
    PiecePipeline(const PiecePipeline&) = delete;
    PiecePipeline& operator=(const PiecePipeline&) = delete;

    // The buffer for the next piece (pieceSize bytes), once one is free; nullptr once the output failed.
    uint8_t* NextBuffer();
    // Hands on the buffer NextBuffer gave, holding size bytes to write.
    void Submit(size_t size, bool last);
    // Waits until every piece handed on is written. False when the output failed; OutputError() tells why.
    bool Finish();
    // The system's error of the failed output, read on the thread that met it.
    int OutputError() const { return m_outputError; }

private:
    struct Made {
        explicit Made() = default;
    };

public:
    PiecePipeline(Made, ChunkBuffer buffers, size_t pieceSize, size_t pieces, Sink sink); // through Create only

private:
    void Work();
    void Fail();

    ChunkBuffer m_buffers;
    size_t m_pieceSize;
    size_t m_pieces;
    Sink m_sink;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Pieces handed on and pieces written since the start; the buffer of piece n is n % m_pieces.
    uint64_t m_submitted = 0;
    uint64_t m_written = 0;
    size_t m_sizes[kPiecesInFlight] = {};
    bool m_lastOf[kPiecesInFlight] = {};
    bool m_failed = false;
    bool m_abandoned = false;
    int m_outputError = 0;
    std::thread m_worker; // not joinable when the pieces are handled in line
};
