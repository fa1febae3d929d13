// What a file carries besides its bytes on Windows: its Mark of the Web (the zone alone on its container,
// the container's whole mark on the file it gives back), its dates and the attributes that travel.
//
// Wine keeps a stream as a file named NAME:STREAM beside its file, which a rename leaves behind: there the
// mark of an output is found under the engine's temporary name it was written under (the only name the
// output has before its move), and the test then moves it, as Windows moves a stream with its file.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "engine_test_files.h"
#include "fault_injection.h"
#include "full_path.h"
#include "temp_files.h"
#include "unique_handle.h"

namespace {

constexpr wchar_t kZoneStream[] = L":Zone.Identifier";
constexpr char kDownloadMark[] = "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.org/list\r\n"
                                 "HostUrl=https://example.org/secret-plans.txt\r\n";
constexpr char kInternetZoneOnly[] = "[ZoneTransfer]\r\nZoneId=3\r\n";
constexpr char kIntranetMark[] = "[ZoneTransfer]\r\nZoneId=1\r\nHostUrl=file://server/box/p_txt.ENC\r\n";

// The mark of the output now named name: its own stream, or (Wine) the one left under the temporary name.
std::optional<std::string> OutputMark(const TempFolder& folder, const PathString& name) {
    if (auto own = ReadText(folder / (name + kZoneStream))) {
        return own;
    }
    std::optional<std::string> found;
    for (const PathString& entry : ListNames(folder.path())) {
        const size_t colon = entry.find(L':');
        if (colon == PathString::npos || entry.substr(colon) != kZoneStream ||
            !IsEngineTempName(entry.substr(0, colon))) {
            continue;
        }
        EXPECT_FALSE(found) << "more than one temporary output has a mark";
        found = ReadText(folder / entry);
        const std::wstring from = LongFormPath(folder / entry);
        const std::wstring to = LongFormPath(folder / (name + kZoneStream));
        EXPECT_TRUE(MoveFileExW(from.c_str(), to.c_str(), 0));
    }
    return found;
}

struct MarkCase {
    const char* what;
    const char* sourceMark;      // nullptr: none
    const char* containerMark;   // what the container must carry; nullptr: none
    const char* downloadedAgain; // the container's mark replaced before it is opened; nullptr: kept
    const char* restoredMark;    // what the restored file must carry; nullptr: none
};

TEST(MarkOfTheWeb, TravelsThroughTheContainerAndBack) {
    const MarkCase cases[] = {
        {"a downloaded file", kDownloadMark, kInternetZoneOnly, nullptr, kInternetZoneOnly},
        {"an unmarked file whose container was downloaded", nullptr, nullptr, kIntranetMark, kIntranetMark},
        {"an unmarked file", nullptr, nullptr, nullptr, nullptr},
    };
    for (const MarkCase& item : cases) {
        SCOPED_TRACE(item.what);
        TempFolder folder;
        const Bytes plain = PatternBytes(5000);
        ASSERT_TRUE(WriteBytes(folder / L"p.txt", plain));
        if (item.sourceMark) {
            ASSERT_TRUE(WriteBytes(folder / L"p.txt:Zone.Identifier", item.sourceMark));
        }
        ASSERT_EQ(EncryptToContainer((folder / L"p.txt").c_str(), kTestPassword).outcome, ConvertOutcome::Converted);
        const auto containerMark = OutputMark(folder, L"p_txt.ENC");
        EXPECT_EQ(containerMark, item.containerMark ? std::optional<std::string>(item.containerMark) : std::nullopt);
        if (item.sourceMark) {
            DeleteFileW(LongFormPath(folder / L"p.txt:Zone.Identifier").c_str()); // Wine: the source's, left
        }
        if (item.downloadedAgain) {
            ASSERT_TRUE(WriteBytes(folder / L"p_txt.ENC:Zone.Identifier", item.downloadedAgain));
        }

        ASSERT_EQ(DecryptFromContainer((folder / L"p_txt.ENC").c_str(), kTestPassword).outcome,
                  ConvertOutcome::Converted);
        EXPECT_EQ(ReadBytes(folder / L"p.txt"), plain);
        EXPECT_EQ(OutputMark(folder, L"p.txt"),
                  item.restoredMark ? std::optional<std::string>(item.restoredMark) : std::nullopt);
    }
}

// A staged fault: what is in the way of a mark when the conversion wants it.
struct MarkFault {
    const char* what;
    bool onSource; // the source's mark cannot be read; else the output's cannot be written
};

struct BlockOutputMark {
    const TempFolder* folder;
    bool blocked = false;

    // At the first write the temporary output exists: a folder takes the name its mark would have (Wine).
    static void AtOperation(void* context, FileOp op) {
        auto* self = static_cast<BlockOutputMark*>(context);
        if (op != FileOp::Write || self->blocked) {
            return;
        }
        for (const PathString& entry : ListNames(self->folder->path())) {
            if (IsEngineTempName(entry)) {
                self->blocked = MakeFolder(*self->folder / (entry + kZoneStream));
            }
        }
    }
};

TEST(MarkOfTheWeb, AMarkThatCannotBeCarriedFailsTheConversion) {
    const MarkFault faults[] = {
        {"the source's mark cannot be read", true},
        {"the container's mark cannot be written", false},
    };
    for (const MarkFault& fault : faults) {
        SCOPED_TRACE(fault.what);
        TempFolder folder;
        const Bytes plain = PatternBytes(3000);
        ASSERT_TRUE(WriteBytes(folder / L"p.txt", plain));
        BlockOutputMark block{&folder};
        if (fault.onSource) {
            if (!MakeFolder(folder / L"p.txt:Zone.Identifier")) {
                GTEST_SKIP() << "a stream cannot be put in the way here (only Wine keeps streams as files)";
            }
        } else {
            ASSERT_TRUE(WriteBytes(folder / L"p.txt:Zone.Identifier", kDownloadMark));
            SetOperationHook(&BlockOutputMark::AtOperation, &block);
        }
        const ConvertResult result = EncryptToContainer((folder / L"p.txt").c_str(), kTestPassword);
        SetOperationHook(nullptr, nullptr);
        if (!fault.onSource && !block.blocked) {
            GTEST_SKIP() << "a stream cannot be put in the way here (only Wine keeps streams as files)";
        }
        EXPECT_EQ(result.outcome, ConvertOutcome::OutputFailed);
        EXPECT_NE(result.systemError, 0);
        EXPECT_EQ(ReadBytes(folder / L"p.txt"), plain);
        EXPECT_FALSE(FileExists(folder / L"p_txt.ENC"));
    }
}

FILE_BASIC_INFO BasicInfoOf(const PathString& path) {
    FILE_BASIC_INFO info{};
    const FileHandle file(CreateFileW(LongFormPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    EXPECT_TRUE(file && GetFileInformationByHandleEx(file.get(), FileBasicInfo, &info, sizeof info));
    return info;
}

TEST(FileDates, ARoundTripKeepsTheDatesAndTheHiddenAttribute) {
    TempFolder folder;
    const PathString plain = folder / L"p.txt";
    ASSERT_TRUE(WriteBytes(plain, PatternBytes(2000)));
    {
        const FileHandle file(
            CreateFileW(LongFormPath(plain).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILE_BASIC_INFO info{};
        info.CreationTime.QuadPart = 131000000001234567; // 2016, with fractions of a second
        info.LastWriteTime.QuadPart = 132000000007654321;
        info.LastAccessTime.QuadPart = 132000000005555555;
        info.FileAttributes = FILE_ATTRIBUTE_HIDDEN;
        ASSERT_TRUE(file && SetFileInformationByHandle(file.get(), FileBasicInfo, &info, sizeof info));
    }
    // Wine reads the creation time as the write time: compared with what the system gives back.
    const FILE_BASIC_INFO before = BasicInfoOf(plain);
    ASSERT_EQ(before.LastWriteTime.QuadPart, 132000000007654321);

    ASSERT_EQ(EncryptToContainer(plain.c_str(), kTestPassword).outcome, ConvertOutcome::Converted);
    const FILE_BASIC_INFO container = BasicInfoOf(folder / L"p_txt.ENC");
    EXPECT_EQ(container.CreationTime.QuadPart, before.CreationTime.QuadPart);
    EXPECT_EQ(container.LastWriteTime.QuadPart, before.LastWriteTime.QuadPart);
    EXPECT_NE(container.FileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);

    ASSERT_EQ(DecryptFromContainer((folder / L"p_txt.ENC").c_str(), kTestPassword).outcome, ConvertOutcome::Converted);
    const FILE_BASIC_INFO restored = BasicInfoOf(plain);
    EXPECT_EQ(restored.CreationTime.QuadPart, before.CreationTime.QuadPart);
    EXPECT_EQ(restored.LastWriteTime.QuadPart, before.LastWriteTime.QuadPart);
    EXPECT_NE(restored.FileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
}

} // namespace
