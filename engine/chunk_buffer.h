// The engine's one I/O buffer of ENC_CHUNK_SIZE bytes for the length of one file; wiped when released,
// since it held plain data.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

class ChunkBuffer {
public:
    // nullopt when the memory cannot be had.
    static std::optional<ChunkBuffer> Allocate();
    ~ChunkBuffer();
    ChunkBuffer(ChunkBuffer&&) noexcept = default;
    ChunkBuffer& operator=(ChunkBuffer&&) = delete;
    ChunkBuffer(const ChunkBuffer&) = delete;
    ChunkBuffer& operator=(const ChunkBuffer&) = delete;

    uint8_t* data() { return m_bytes.get(); }

private:
    explicit ChunkBuffer(std::unique_ptr<uint8_t[]> bytes) : m_bytes(std::move(bytes)) {}
    std::unique_ptr<uint8_t[]> m_bytes;
};
