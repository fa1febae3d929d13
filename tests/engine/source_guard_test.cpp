// What guards a source before it is deleted and an output before it is kept: a source rewritten in place,
// a source with other names, a source another conversion holds, and the owner and permissions that the
// output takes over.
#include <gtest/gtest.h>

#include "conversion_hooks.h"
#include "engine_test_files.h"

#include "unique_handle.h"

#ifdef _WIN32
#include <windows.h>

#include "full_path.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t kLength = 3 * ENC_CHUNK_SIZE + 5;

// Runs the conversion with action() called at its first chunk, while the source is open.
template <typename Action> ConvertResult EncryptWhileReading(const PathString& path, Action&& action) {
    struct Context {
        Action* action;
        bool done = false;
    } context{&action};
    SetProgressHook(
        [](void* raw, const PathChar* name, uint64_t, uint64_t) {
            auto* state = static_cast<Context*>(raw);
            if (name == nullptr && !state->done) {
                state->done = true;
                (*state->action)();
            }
        },
        &context);
    ConvertResult result = EncryptToContainer(path.c_str(), kTestPassword);
    SetProgressHook(nullptr, nullptr);
    return result;
}

#ifndef _WIN32
// Some sync tools write a file in place and put its modification time back.
TEST(SourceGuard, SourceRewrittenInPlaceWithItsTimePutBackIsKept) {
    TempFolder folder;
    const PathString path = folder / "p.bin";
    ASSERT_TRUE(WriteBytes(path, PatternBytes(kLength, 1)));
    const Bytes rewritten = PatternBytes(kLength, 2);
    const ConvertResult result = EncryptWhileReading(path, [&] {
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        const int file = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::pwrite(file, rewritten.data(), rewritten.size(), 0), static_cast<ssize_t>(rewritten.size()));
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::futimens(file, times), 0);
        ::close(file);
    });
    EXPECT_EQ(result.outcome, ConvertOutcome::ConvertedSourceKept);
    EXPECT_EQ(ReadBytes(path), rewritten);
}

// Root encrypting another user's private file: the container and the restored file stay that user's.
TEST(SourceGuard, OwnerAndPermissionsPassToEveryOutput) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a file to another user";
    }
    constexpr uid_t kOwner = 65534;
    constexpr gid_t kGroup = 65534;
    for (const mode_t mode : {mode_t{0600}, mode_t{0640}}) {
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder / "m.txt", PatternBytes(100)));
        ASSERT_EQ(::chown((folder / "m.txt").c_str(), kOwner, kGroup), 0);
        ASSERT_EQ(::chmod((folder / "m.txt").c_str(), mode), 0);
        for (const PathString& output : {folder / "m_txt.ENC", folder / "m.txt"}) {
            const ConvertOutcome outcome =
                output.ends_with(".ENC") ? EncryptToContainer((folder / "m.txt").c_str(), kTestPassword).outcome
                                         : DecryptFromContainer((folder / "m_txt.ENC").c_str(), kTestPassword).outcome;
            ASSERT_EQ(outcome, ConvertOutcome::Converted);
            struct stat info {};
            ASSERT_EQ(::stat(output.c_str(), &info), 0);
            EXPECT_EQ(info.st_uid, kOwner) << Printable(output);
            EXPECT_EQ(info.st_gid, kGroup) << Printable(output);
            EXPECT_EQ(info.st_mode & 07777, mode) << Printable(output);
        }
    }
}
#else
// Nobody may write to a source while it is converted.
TEST(SourceGuard, SourceCannotBeRewrittenWhileItIsRead) {
    TempFolder folder;
    const PathString path = folder / L"p.bin";
    ASSERT_TRUE(WriteBytes(path, PatternBytes(kLength, 1)));
    DWORD error = 0;
    const ConvertResult result = EncryptWhileReading(path, [&] {
        const UniqueHandle<FileHandleTraits> writer(CreateFileW(LongFormPath(path).c_str(), GENERIC_WRITE,
                                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                                nullptr, OPEN_EXISTING, 0, nullptr));
        error = writer ? 0 : GetLastError();
    });
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(result.outcome, ConvertOutcome::Converted);
}
#endif

// A file with another name stays readable under it: the conversion says so instead of "converted".
TEST(SourceGuard, OtherNamesKeepTheSourceAndAreCounted) {
    TempFolder folder;
    const Bytes plain = PatternBytes(1000);
    ASSERT_TRUE(WriteBytes(folder / P("p.txt"), plain));
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkW((folder / P("q.txt")).c_str(), (folder / P("p.txt")).c_str(), nullptr));
#else
    ASSERT_EQ(::link((folder / "p.txt").c_str(), (folder / "q.txt").c_str()), 0);
#endif
    const ConvertResult result = EncryptToContainer((folder / P("p.txt")).c_str(), kTestPassword);
    EXPECT_EQ(result.outcome, ConvertOutcome::ConvertedSourceKept);
    EXPECT_EQ(result.otherLinks, 1u);
    EXPECT_EQ(ListNames(folder.path()), (std::vector<PathString>{P("p.txt"), P("p_txt.ENC"), P("q.txt")}));
    EXPECT_EQ(ReadBytes(folder / P("q.txt")), plain);
}

// A file that another conversion holds is left to it: nothing is written, nothing deleted.
TEST(SourceGuard, AFileAnotherConversionHoldsIsLeftAlone) {
    TempFolder folder;
    const Bytes plain = PatternBytes(1000);
    const PathString path = folder / P("p.txt");
    ASSERT_TRUE(WriteBytes(path, plain));
    {
#ifdef _WIN32
        // What a conversion takes: reading and deleting, shared for reading only.
        const UniqueHandle<FileHandleTraits> other(CreateFileW(LongFormPath(path).c_str(), GENERIC_READ | DELETE,
                                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(other);
#else
        const UniqueHandle<FileHandleTraits> other(::open(path.c_str(), O_RDONLY));
        ASSERT_TRUE(other);
        ASSERT_EQ(::flock(other.get(), LOCK_EX), 0);
#endif
        const ConvertResult result = EncryptToContainer(path.c_str(), kTestPassword);
        EXPECT_EQ(result.outcome, ConvertOutcome::SourceUnreadable);
        EXPECT_NE(result.systemError, 0);
        EXPECT_EQ(ListNames(folder.path()), std::vector<PathString>{P("p.txt")});
    }
    EXPECT_EQ(ReadBytes(path), plain);
}

} // namespace
