// The engine's I/O memory for the length of one file: the buffers of its pieces on the way, each
// ENC_CHUNK_SIZE bytes or what a smaller file needs; wiped when released, since it held plain data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class ChunkBuffer {
public:
    // size bytes; nullopt when the memory cannot be had.
    static std::optional<ChunkBuffer> Allocate(size_t size);
    ~ChunkBuffer();
    ChunkBuffer(ChunkBuffer&&) noexcept = default;
    ChunkBuffer& operator=(ChunkBuffer&&) = delete;
    ChunkBuffer(const ChunkBuffer&) = delete;
    ChunkBuffer& operator=(const ChunkBuffer&) = delete;

    uint8_t* data() { return m_bytes.get(); }

private:
    ChunkBuffer(std::unique_ptr<uint8_t[]> bytes, size_t size) : m_bytes(std::move(bytes)), m_size(size) {}
    std::unique_ptr<uint8_t[]> m_bytes;
    size_t m_size;
};
