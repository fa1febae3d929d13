// The pieces of one body from the reading thread to the output, in line or on a thread of their own.
#include "piece_pipeline.h"

#include <system_error>

#include "system_error.h"

std::unique_ptr<PiecePipeline> PiecePipeline::Create(uint64_t bodyLength, size_t pieceSize, Sink sink) {
    const size_t pieces = bodyLength >= kOverlapFrom ? kPiecesInFlight : 1;
    auto buffers = ChunkBuffer::Allocate(pieces * pieceSize);
    if (!buffers) {
        return nullptr;
    }
    auto pipeline = std::make_unique<PiecePipeline>(Made{}, std::move(*buffers), pieceSize, pieces, std::move(sink));
    if (pieces > 1) {
        try {
            pipeline->m_worker = std::thread([raw = pipeline.get()] { raw->Work(); });
        } catch (const std::system_error&) {
            pipeline->m_pieces = 1; // no thread to be had: the same work in line
        }
    }
    return pipeline;
}

PiecePipeline::PiecePipeline(Made, ChunkBuffer buffers, size_t pieceSize, size_t pieces, Sink sink)
    : m_buffers(std::move(buffers)), m_pieceSize(pieceSize), m_pieces(pieces), m_sink(std::move(sink)) {}

PiecePipeline::~PiecePipeline() {
    if (m_worker.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_abandoned = true;
        }
        m_changed.notify_all();
        m_worker.join();
    }
}

uint8_t* PiecePipeline::NextBuffer() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || m_submitted - m_written < m_pieces; });
    return m_failed ? nullptr : m_buffers.data() + (m_submitted % m_pieces) * m_pieceSize;
}

void PiecePipeline::Submit(size_t size, bool last) {
    if (!m_worker.joinable()) {
        ++m_submitted;
        if (!m_sink(m_buffers.data(), size, last)) {
            Fail();
        }
        ++m_written;
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        const size_t slot = m_submitted % m_pieces;
        m_sizes[slot] = size;
        m_lastOf[slot] = last;
        ++m_submitted;
    }
    m_changed.notify_all();
}

bool PiecePipeline::Finish() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || m_written == m_submitted; });
    return !m_failed;
}

// Written on the thread that met the failure: its error code is that thread's own.
void PiecePipeline::Fail() {
    const int error = LastSystemError();
    std::lock_guard lock(m_mutex);
    m_failed = true;
    m_outputError = error;
}

void PiecePipeline::Work() {
    for (;;) {
        size_t slot = 0;
        size_t size = 0;
        bool last = false;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_abandoned || m_written < m_submitted; });
            if (m_abandoned) {
                return;
            }
            slot = m_written % m_pieces;
            size = m_sizes[slot];
            last = m_lastOf[slot];
        }
        ClearSystemError();
        const bool written = m_sink(m_buffers.data() + slot * m_pieceSize, size, last);
        if (!written) {
            Fail();
        }
        {
            std::lock_guard lock(m_mutex);
            ++m_written;
        }
        m_changed.notify_all();
        if (!written) {
            return;
        }
    }
}
