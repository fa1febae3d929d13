// The container's bytes: sizes, pad counts, the header fields, ECB blocks, the key rule, the filler in
// both of its forms, foreign and damaged containers, and 64-bit lengths.
#include <gtest/gtest.h>

#include <cstring>

#include "aes.h"
#include "container_layout.h"
#include "engine_test_files.h"
#include "temp_files.h"
#include "fault_injection.h"
#include "file_key.h"

namespace {

constexpr uint64_t kMiB = ENC_CHUNK_SIZE;

Utf16String HeaderName(const Bytes& header) {
    Utf16String name;
    for (size_t index = 0; index < ENC_NAME_UNITS; ++index) {
        const auto unit = static_cast<Utf16Char>(header[14 + 2 * index] | (header[15 + 2 * index] << 8));
        if (unit == 0) {
            break;
        }
        name.push_back(unit);
    }
    return name;
}

struct SizeCase {
    uint64_t plainLength;
    uint64_t containerLength;
    uint8_t padCount;
    bool rawZeroFillerBlock;
};

TEST(ContainerFormat, SizesPadCountsAndRoundTrip) {
    const SizeCase cases[] = {
        {1, 544, 15, false},
        {15, 544, 1, false},
        {16, 560, 16, true},
        {17, 560, 15, false},
        {kMiB, 528 + kMiB, 16, false},
        {kMiB + 1, 528 + kMiB + 16, 15, false},
        {kMiB - 6, 528 + kMiB, 6, false},
        {kMiB - 16, 528 + kMiB, 16, true},
        {2 * kMiB - 16, 528 + 2 * kMiB, 16, true},
        {2 * kMiB, 528 + 2 * kMiB, 16, false},
        {2 * kMiB + 32, 528 + 2 * kMiB + 48, 16, true},
    };
    for (const SizeCase& size : cases) {
        SCOPED_TRACE("plain length " + std::to_string(size.plainLength));
        TempFolder folder;
        const Bytes plain = PatternBytes(size.plainLength, static_cast<uint32_t>(size.plainLength));
        ASSERT_TRUE(WriteBytes(folder / P("data.bin"), plain));

        const ConvertResult encrypted = EncryptToContainer((folder / P("data.bin")).c_str(), kTestPassword);
        ASSERT_EQ(encrypted.outcome, ConvertOutcome::Converted);
        EXPECT_EQ(encrypted.outputPath, folder / P("data_bin.ENC"));
        EXPECT_EQ(ListNames(folder.path()), std::vector<PathString>{P("data_bin.ENC")});

        const auto container = ReadBytes(encrypted.outputPath);
        ASSERT_TRUE(container);
        EXPECT_EQ(container->size(), size.containerLength);
        const auto header = PlainHeaderOf(encrypted.outputPath);
        ASSERT_TRUE(header);
        EXPECT_EQ(std::memcmp(header->data(), "Encrypt AES256", 14), 0);
        EXPECT_EQ(HeaderName(*header), U("data.bin"));
        EXPECT_EQ((*header)[526], 0);
        EXPECT_EQ((*header)[527], size.padCount);
        const bool lastBlockZero =
            std::all_of(container->end() - 16, container->end(), [](uint8_t b) { return b == 0; });
        EXPECT_EQ(lastBlockZero, size.rawZeroFillerBlock);

        const ConvertResult decrypted = DecryptFromContainer(encrypted.outputPath.c_str(), kTestPassword);
        ASSERT_EQ(decrypted.outcome, ConvertOutcome::Converted);
        EXPECT_EQ(decrypted.outputPath, folder / P("data.bin"));
        EXPECT_EQ(ListNames(folder.path()), std::vector<PathString>{P("data.bin")});
        EXPECT_EQ(ReadBytes(folder / P("data.bin")), plain);
    }
}

// A file of whole chunks whose last block enciphers to 16 zero bytes would read back 16 bytes short if
// nothing followed it: the writer adds a raw filler block, which every reader drops.
TEST(ContainerFormat, LastBlockThatEnciphersToZerosReadsBackWhole) {
    for (const uint64_t length : {kMiB, 2 * kMiB}) {
        SCOPED_TRACE("plain length " + std::to_string(length));
        TempFolder folder;
        Bytes plain = PatternBytes(length, 7);
        const FileKey key(kTestPassword);
        const uint8_t zeros[16] = {};
        AesDecryptBlocks(key.context(), zeros, plain.data() + length - 16, 1);
        ASSERT_TRUE(WriteBytes(folder / P("crafted"), plain));

        const ConvertResult encrypted = EncryptToContainer((folder / P("crafted")).c_str(), kTestPassword);
        ASSERT_EQ(encrypted.outcome, ConvertOutcome::Converted);
        EXPECT_EQ(ReadBytes(encrypted.outputPath)->size(), 528 + length + 16);
        ASSERT_EQ(DecryptOneFile(encrypted.outputPath.c_str(), kTestPassword), 1);
        EXPECT_EQ(ReadBytes(folder / P("crafted")), plain);
    }
}

TEST(ContainerFormat, EqualPlainBlocksGiveEqualCipherBlocks) {
    TempFolder folder;
    Bytes plain = PatternBytes(3 * kMiB + 100);
    const Bytes block = PatternBytes(16, 99);
    const size_t offsets[] = {0, 4096, kMiB, 3 * kMiB + 80};
    for (size_t offset : offsets) {
        std::copy(block.begin(), block.end(), plain.begin() + static_cast<ptrdiff_t>(offset));
    }
    ASSERT_TRUE(WriteBytes(folder / P("same"), plain));
    ASSERT_EQ(EncryptOneFile((folder / P("same")).c_str(), kTestPassword), 1);
    const auto container = ReadBytes(folder / P("same.ENC"));
    ASSERT_TRUE(container);
    const auto cipherAt = [&](size_t offset) {
        return Bytes(container->begin() + static_cast<ptrdiff_t>(528 + offset),
                     container->begin() + static_cast<ptrdiff_t>(528 + offset + 16));
    };
    for (size_t offset : offsets) {
        EXPECT_EQ(cipherAt(offset), cipherAt(0)) << "offset " << offset;
    }
    EXPECT_NE(cipherAt(16), cipherAt(0));
}

#ifndef _WIN32
// The body against an independent AES: OpenSSL's command line on the same key, no padding of its own.
TEST(ContainerFormat, BodyMatchesOpenSsl) {
    if (std::system("openssl version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "openssl command not installed";
    }
    // The last length is past the size whose pieces are written on a thread of their own.
    for (uint64_t length : {uint64_t{1000}, uint64_t{48}, kMiB + 1, 6 * kMiB + 17}) {
        SCOPED_TRACE(length);
        TempFolder folder;
        const Bytes plain = PatternBytes(length, 7);
        ASSERT_TRUE(WriteBytes(folder / "p", plain));
        ASSERT_EQ(EncryptOneFile((folder / "p").c_str(), kTestPassword), 1);
        const auto container = ReadBytes(folder / "p.ENC");
        ASSERT_TRUE(container);

        // plain data and the zero filler that completes its last block; a filler block of its own is raw.
        Bytes padded = plain;
        padded.resize((length + 15) / 16 * 16, 0);
        Bytes body(container->begin() + 528, container->end());
        if (length % 16 == 0) {
            ASSERT_EQ(body.size(), padded.size() + 16);
            EXPECT_EQ(Bytes(body.end() - 16, body.end()), Bytes(16, 0));
            body.resize(padded.size());
        }
        ASSERT_TRUE(WriteBytes(folder / "padded", padded));

        uint8_t key[FILE_KEY_BYTES];
        MakeFileKeyBytes(kTestPassword, key);
        std::string hex;
        for (uint8_t byte : key) {
            static constexpr char kDigits[] = "0123456789abcdef";
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 15];
        }
        const std::string command = "openssl enc -aes-256-ecb -nopad -K " + hex + " -in '" + folder / "padded" +
                                    "' -out '" + folder / "reference" + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(ReadBytes(folder / "reference"), body);
    }
}
#endif

TEST(ContainerFormat, KeyIsThePasswordsLatin1Bytes) {
    uint8_t key[FILE_KEY_BYTES];
    MakeFileKeyBytes(U("abc"), key);
    uint8_t expected[FILE_KEY_BYTES] = {'a', 'b', 'c'};
    EXPECT_EQ(std::memcmp(key, expected, FILE_KEY_BYTES), 0);

    // A unit above 0xFF ends the key; 0xE9 (e acute) is one byte.
    MakeFileKeyBytes(U("x\u00e9\u4e2dyz"), key);
    uint8_t accented[FILE_KEY_BYTES] = {'x', 0xE9};
    EXPECT_EQ(std::memcmp(key, accented, FILE_KEY_BYTES), 0);

    // Only the first 32 units count.
    MakeFileKeyBytes(U("0123456789abcdef0123456789abcdefTAIL"), key);
    EXPECT_EQ(std::memcmp(key, "0123456789abcdef0123456789abcdef", FILE_KEY_BYTES), 0);

    // A password of Chinese characters and the empty password share the all-zero key, so each opens the other's.
    TempFolder folder;
    const Bytes plain = PatternBytes(100);
    ASSERT_TRUE(WriteBytes(folder / P("z.txt"), plain));
    ASSERT_EQ(EncryptOneFile((folder / P("z.txt")).c_str(), U("\u4e2d\u6587")), 1);
    ASSERT_EQ(DecryptOneFile((folder / P("z_txt.ENC")).c_str(), U("")), 1);
    EXPECT_EQ(ReadBytes(folder / P("z.txt")), plain);
}

// Containers from other writers: a filler block of its own that was enciphered, as the format allows.
TEST(ContainerFormat, EncipheredFillerBlockFromOtherWriters) {
    struct Case {
        size_t plainLength;
        size_t restoredLength;
    };
    // 32 bytes: the pad count says 16 and the block goes. 1 MiB - 16: the body is a whole chunk with pad
    // count 16, which the format cannot tell from a 1 MiB file; its last block is no raw zero block, so it
    // is taken for data, as the format's rule says.
    const Case cases[] = {{32, 32}, {kMiB - 16, kMiB}};
    for (const Case& item : cases) {
        SCOPED_TRACE(item.plainLength);
        TempFolder folder;
        CraftedContainer container;
        container.storedName = U("old.dat");
        container.padCount = 16;
        container.body = PatternBytes(item.plainLength);
        container.body.resize(item.plainLength + 16, 0);
        ASSERT_TRUE(WriteCraftedContainer(folder / P("old.ENC"), container));
        ASSERT_EQ(DecryptFromContainer((folder / P("old.ENC")).c_str(), kTestPassword).outcome,
                  ConvertOutcome::Converted);
        const auto restored = ReadBytes(folder / P("old.dat"));
        ASSERT_TRUE(restored);
        ASSERT_EQ(restored->size(), item.restoredLength);
        EXPECT_TRUE(std::equal(container.body.begin(), container.body.begin() + item.plainLength, restored->begin()));
    }
}

TEST(ContainerFormat, DamagedContainersAreRefusedWithNothingWritten) {
    struct Case {
        const char* what;
        uint8_t padCount;
        size_t bodyLength;
        ConvertOutcome outcome;
    };
    const Case cases[] = {
        {"pad count 0", 0, 32, ConvertOutcome::Damaged},
        {"pad count 17", 17, 32, ConvertOutcome::Damaged},
        {"body not whole blocks", 4, 37, ConvertOutcome::Damaged},
        {"pad count longer than the body", 16, 0, ConvertOutcome::Damaged},
        {"sound, for comparison", 4, 32, ConvertOutcome::Converted},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        TempFolder folder;
        CraftedContainer container;
        container.storedName = U("plain.txt");
        container.padCount = item.padCount;
        container.body = PatternBytes(item.bodyLength);
        ASSERT_TRUE(WriteCraftedContainer(folder / P("c.ENC"), container));
        const auto before = ReadBytes(folder / P("c.ENC"));
        EXPECT_EQ(DecryptFromContainer((folder / P("c.ENC")).c_str(), kTestPassword).outcome, item.outcome);
        if (item.outcome != ConvertOutcome::Converted) {
            EXPECT_EQ(ListNames(folder.path()), std::vector<PathString>{P("c.ENC")});
            EXPECT_EQ(ReadBytes(folder / P("c.ENC")), before);
        }
    }

    // Cut inside the header: refused, no message; an empty container is skipped.
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder / P("short.ENC"), PatternBytes(527)));
    ASSERT_TRUE(WriteBytes(folder / P("empty.ENC"), Bytes{}));
    struct WrongPasswordCount final : ConversionObserver {
        void WrongPassword(const PathString&) override { ++calls; }
        int calls = 0;
    } wrongPassword;
    EXPECT_EQ(DecryptFromContainer((folder / P("short.ENC")).c_str(), kTestPassword, &wrongPassword).outcome,
              ConvertOutcome::Damaged);
    EXPECT_EQ(DecryptFromContainer((folder / P("empty.ENC")).c_str(), kTestPassword, &wrongPassword).outcome,
              ConvertOutcome::SkippedEmpty);
    EXPECT_EQ(wrongPassword.calls, 0);
    EXPECT_EQ(ListNames(folder.path()), (std::vector<PathString>{P("empty.ENC"), P("short.ENC")}));
    EXPECT_EQ(DecryptOneFile((folder / P("short.ENC")).c_str(), kTestPassword), 0);
}

TEST(ContainerFormat, LengthsAre64Bit) {
    constexpr uint64_t k4GiB = uint64_t{1} << 32;
    EXPECT_EQ(PadCountFor(k4GiB), 16);
    EXPECT_EQ(PadCountFor(k4GiB + 3), 13);
    EXPECT_EQ(BodyLengthFor(k4GiB), k4GiB);
    EXPECT_EQ(BodyLengthFor(k4GiB + 3), k4GiB + 16);
    EXPECT_EQ(BodyLengthFor(k4GiB - 16), k4GiB);
    EXPECT_EQ(BodyLengthFor(5 * k4GiB + 32), 5 * k4GiB + 48);
    EXPECT_TRUE(BodyIsConsistent(k4GiB + 16, 13));
    EXPECT_EQ(FillerLengthOnRead(k4GiB, 16, true), 16u);
    EXPECT_EQ(FillerLengthOnRead(k4GiB, 16, false), 0u);
    EXPECT_EQ(FillerLengthOnRead(k4GiB + 16, 13, false), 13u);

    // A sparse file above 4 GiB: the whole length reaches the progress start and the header's pad count.
    // The first read fails and the temporary output is kept on purpose, so its header can be looked at.
    TempFolder folder;
    const uint64_t length = 5 * k4GiB + 3;
    ASSERT_TRUE(MakeSparseFile(folder / P("big.bin"), length));
    struct StartedTotal final : ConversionObserver {
        void FileStarted(const PathString&, uint64_t totalBytes) override { total = totalBytes; }
        uint64_t total = 0;
    } reported;
    {
        FaultScope readFails(FileOp::Read, 1, FaultAction::Fail);
        ArmFault(FileOp::RemoveTemp, 1, FaultAction::Fail);
        PreferNamedTemporaries(true);
        EXPECT_EQ(EncryptToContainer((folder / P("big.bin")).c_str(), kTestPassword, &reported).outcome,
                  ConvertOutcome::SourceUnreadable);
    }
    EXPECT_EQ(reported.total, length);
    const auto names = ListNames(folder.path());
    ASSERT_EQ(names.size(), 2u);
    const PathString leftover = names[0] == P("big.bin") ? names[1] : names[0];
    ASSERT_TRUE(IsEngineTempName(leftover));
    const auto header = PlainHeaderOf(folder / leftover);
    ASSERT_TRUE(header);
    EXPECT_EQ((*header)[527], 13);
}

} // namespace
