// Making the fuzz seeds with the engine itself (see fuzz_seeds.h).
#include "fuzz_seeds.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include <unistd.h>

#include "container.h"
#include "container_layout.h"
#include "container_reader_harness.h"
#include "file_key.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

Bytes Pattern(size_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<uint8_t>(generator());
    }
    return bytes;
}

Bytes WithFlag(uint8_t flag, const Bytes& container) {
    Bytes input(container.size() + 1, flag);
    std::copy(container.begin(), container.end(), input.begin() + 1);
    return input;
}

// The container deciphered block by block, except a raw last block (the zero filler), which stays.
Bytes PlainImageOf(const Bytes& container, bool lastBlockRaw) {
    Bytes image = container;
    size_t blocks = image.size() / ENC_BLOCK_SIZE;
    if (lastBlockRaw) {
        --blocks;
    }
    const FileKey key(kFuzzPassword);
    AesDecryptBlocks(key.context(), image.data(), image.data(), blocks);
    return image;
}

// A header as no writer makes it, in the clear: the name's units as given, then the body's plain bytes.
Bytes CraftedImage(const std::u16string& name, bool terminated, uint8_t padCount, const Bytes& body) {
    Bytes image(ENC_HEADER_SIZE, 0);
    std::copy_n(ENC_MAGIC, ENC_MAGIC_SIZE, image.begin());
    for (size_t index = 0; index < name.size() && index < ENC_NAME_UNITS; ++index) {
        image[ENC_NAME_OFFSET + 2 * index] = static_cast<uint8_t>(name[index]);
        image[ENC_NAME_OFFSET + 2 * index + 1] = static_cast<uint8_t>(name[index] >> 8);
    }
    if (!terminated) {
        for (size_t index = name.size(); index < ENC_NAME_UNITS; ++index) {
            image[ENC_NAME_OFFSET + 2 * index] = 'n';
        }
    }
    image[ENC_PAD_OFFSET] = padCount;
    image.insert(image.end(), body.begin(), body.end());
    return image;
}

} // namespace

int WriteSeedCorpus(const std::string& folder) {
    std::string pattern = folder + "engine-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return -1;
    }
    const std::string scratch = pattern + "/";
    int written = 0;
    auto seed = [&](const std::string& name, const Bytes& input) {
        if (WriteFile(folder + name, input)) {
            ++written;
        }
    };

    // Real containers: every filler form, one chunk and two, and names a hostile sender might choose.
    struct Plain {
        const char* name;
        size_t size;
    };
    const Plain plains[] = {
        {"one.txt", 1},
        {"fifteen.bin", 15},
        {"block.bin", 16},
        {"block and one.bin", 17},
        {"page.html", 4096},
        {"below chunk.bin", ENC_CHUNK_SIZE - 1},
        {"chunk.bin", ENC_CHUNK_SIZE},
        {"above chunk.bin", ENC_CHUNK_SIZE + 1},
        {"..\\..\\Windows\\evil.dll", 16},
        {"C:\\autoexec.bat", 20},
        {"CON", 3},
        {"nul.txt", 5},
        {"trailing dot.", 7},
        {"trailing space ", 7},
        {"<forbidden|chars?>*\"", 9},
        {"\x01\x1f control", 9},
        {"\xe5\x90\x8d\xe5\x89\x8d.txt", 30},
        {".hidden", 32},
        {"no-extension", 33},
    };
    uint32_t number = 0;
    for (const Plain& plain : plains) {
        ++number;
        const std::string path = scratch + plain.name;
        if (!WriteFile(path, Pattern(plain.size, number))) {
            continue;
        }
        const ConvertResult result = EncryptToContainer(path.c_str(), kFuzzPassword);
        if (result.outcome != ConvertOutcome::Converted) {
            continue;
        }
        const Bytes container = ReadFile(result.outputPath);
        const bool rawLast = FillerFormFor(plain.size) == FillerForm::RawZeroBlock;
        seed("real-" + std::to_string(number), WithFlag(0, container));
        seed("image-" + std::to_string(number),
             WithFlag(kFuzzPlainImage | (rawLast ? kFuzzLastBlockRaw : 0), PlainImageOf(container, rawLast)));
        ::unlink(result.outputPath.c_str());
    }
    // A name that fills the field: 255 units, the most a file system name holds.
    {
        const std::string path = scratch + std::string(255, 'L');
        if (WriteFile(path, Pattern(40, 99))) {
            const ConvertResult result = EncryptToContainer(path.c_str(), kFuzzPassword);
            if (result.outcome == ConvertOutcome::Converted) {
                seed("real-long-name", WithFlag(0, ReadFile(result.outputPath)));
                ::unlink(result.outputPath.c_str());
            }
        }
    }

    // Crafted plain images: names that try to leave the folder or are no names at all, an unterminated
    // name, a lone surrogate, and pad counts and bodies no writer makes.
    const Bytes body = Pattern(32, 7);
    struct Crafted {
        const char* name;
        std::u16string stored;
        bool terminated;
        uint8_t padCount;
        Bytes body;
    };
    const Crafted crafted[] = {
        {"escape-up", u"../../../escape.txt", true, 16, body},
        {"absolute", u"/etc/passwd", true, 16, body},
        {"nested", u"a/b/c.txt", true, 16, body},
        {"empty-name", u"", true, 16, body},
        {"dot", u".", true, 16, body},
        {"dot-dot", u"..", true, 16, body},
        {"unterminated", u"", false, 16, body},
        {"lone-surrogate", std::u16string(u"x") + char16_t(0xD800) + u".txt", true, 16, body},
        {"device", u"COM1.txt", true, 16, body},
        {"pad-zero", u"p.bin", true, 0, body},
        {"pad-seventeen", u"p.bin", true, 17, body},
        {"pad-max", u"p.bin", true, 255, body},
        {"pad-one-body-empty", u"p.bin", true, 1, {}},
        {"body-not-blocks", u"p.bin", true, 16, Bytes(body.begin(), body.begin() + 21)},
    };
    for (const Crafted& item : crafted) {
        seed("crafted-" + std::string(item.name),
             WithFlag(kFuzzPlainImage, CraftedImage(item.stored, item.terminated, item.padCount, item.body)));
    }
    seed("short-header", WithFlag(0, Pattern(100, 3)));

    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return written;
}
