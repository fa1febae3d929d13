// Allocation and wiping of the chunk buffer.
#include "chunk_buffer.h"

#include <new>

#include "fault_injection.h"
#include "secure_wipe.h"

std::optional<ChunkBuffer> ChunkBuffer::Allocate(size_t size) {
    if (CheckFault(FileOp::AllocateBuffer) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    try {
        return ChunkBuffer(std::make_unique_for_overwrite<uint8_t[]>(size), size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

ChunkBuffer::~ChunkBuffer() {
    if (m_bytes) {
        SecureWipe(m_bytes.get(), m_size);
    }
}
