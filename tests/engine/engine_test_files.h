// Real files in a fresh temporary folder for the engine tests, with plain helpers that do not go through
// the engine's own file layer, and an independent container writer for containers the engine never makes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "container.h"
#include "temp_folder.h"
#include "test_files.h"

#define P(text) TOLVANE_PATH_LITERAL(text)
#define U(text) TOLVANE_UTF16_LITERAL(text)

inline constexpr Utf16Char kTestPassword[] = U("correct horse");

Bytes PatternBytes(size_t size, uint32_t seed = 1);
// A file of the given length whose blocks are not stored (sparse), so that lengths above 4 GiB cost nothing.
bool MakeSparseFile(const PathString& path, uint64_t length);

// A container as any writer of the format could make it: the header from the given fields, then body
// bytes that are enciphered block by block up to cipherBytes and stored raw after that.
struct CraftedContainer {
    Utf16String storedName;
    bool terminateName = true; // false: the name fills all 256 units with no terminator
    uint8_t padCount = 16;
    Bytes body;
    size_t cipherBytes = SIZE_MAX;
    const Utf16Char* password = kTestPassword;
};
bool WriteCraftedContainer(const PathString& path, const CraftedContainer& container);

// Deciphers a container's header with the table cipher: the 528 plain bytes, or nullopt.
std::optional<Bytes> PlainHeaderOf(const PathString& containerPath, const Utf16Char* password = kTestPassword);

std::string Printable(PathView path);

// The observer of one conversion that runs an action once, at its first chunk, while the source is open.
class AtFirstChunk final : public ConversionObserver {
public:
    explicit AtFirstChunk(std::function<void()> action) : m_action(std::move(action)) {}

    void ChunkDone(uint64_t) override {
        if (m_action) {
            std::exchange(m_action, nullptr)();
        }
    }

private:
    std::function<void()> m_action;
};
