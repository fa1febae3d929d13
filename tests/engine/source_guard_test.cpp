// What guards a source before it is deleted and an output before it is kept: a source rewritten in place,
// a writer that has it open or opens it, a save or a move racing its deletion, a source with other names,
// a source another conversion holds, and the owner and permissions that the output takes over.
#include <gtest/gtest.h>

#include "enc_format.h"
#include "engine_test_files.h"
#include "fault_injection.h"

#include "unique_handle.h"

#ifdef _WIN32
#include <windows.h>

#include "full_path.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#endif

namespace {

using Names = std::vector<PathString>;

constexpr size_t kLength = 3 * ENC_CHUNK_SIZE + 5;

// Runs the conversion with action() called at its first chunk, while the source is open.
template <typename Action> ConvertResult EncryptWhileReading(const PathString& path, Action&& action) {
    AtFirstChunk observer(std::forward<Action>(action));
    return EncryptToContainer(path.c_str(), kTestPassword, &observer);
}

#ifndef _WIN32
// Where no lease can be had (not the owner, a network file system), the identity checks are what remain:
// some sync tools write a file in place and put its modification time back.
TEST(SourceGuard, SourceRewrittenInPlaceWithItsTimePutBackIsKept) {
    FaultScope withoutLease(FileOp::TakeLease, 1, FaultAction::Fail, true);
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

// Why a lease cannot be tried here, or empty.
std::string WhyNoLeaseHere(const TempFolder& folder) {
    const PathString probe = folder / "lease probe";
    if (!WriteBytes(probe, PatternBytes(1))) {
        return "cannot write a probe file";
    }
    const UniqueHandle<FileHandleTraits> file(::open(probe.c_str(), O_RDONLY));
    const bool leased = file && ::fcntl(file.get(), F_SETLEASE, F_RDLCK) == 0;
    const int error = errno;
    ::unlink(probe.c_str());
    return leased ? std::string() : std::string("the file system gives no read lease: ") + std::strerror(error);
}

// Opens the file for writing without waiting: a leased file refuses (EWOULDBLOCK) and its lease breaks, as
// it does for a program that waits until the holder lets go.
void OpenForWritingNow(const PathString& path) {
    const UniqueHandle<FileHandleTraits> writer(::open(path.c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_FALSE(writer) << "a leased file opened for writing at once";
}

// Runs action when the file layer is about to do op.
struct OperationAction {
    FileOp op;
    std::function<void()> action;
};
ConvertResult EncryptWithActions(const PathString& path, std::vector<OperationAction> actions) {
    SetOperationHook(
        [](void* raw, FileOp op) {
            for (OperationAction& each : *static_cast<std::vector<OperationAction>*>(raw)) {
                if (each.op == op && each.action) {
                    std::exchange(each.action, nullptr)();
                }
            }
        },
        &actions);
    ConvertResult result = EncryptToContainer(path.c_str(), kTestPassword);
    SetOperationHook(nullptr, nullptr);
    return result;
}

// A program writing to the file (a log appended, a database through a shared mapping) would go on writing
// into a deleted file: such a file is not converted, and one opened for writing meanwhile is not deleted.
TEST(SourceGuard, AFileSomeoneWritesIsNeitherConvertedNorDeleted) {
    struct Row {
        const char* what;
        ConvertOutcome expected;
        std::function<std::function<void()>(const PathString&)> before; // gives what undoes it
        FileOp duringOp;                                                // OpenSource: nothing during
    };
    const std::vector<Row> rows = {
        {"held open for appending", ConvertOutcome::SourceInUse,
         [](const PathString& path) -> std::function<void()> {
             const int file = ::open(path.c_str(), O_WRONLY | O_APPEND);
             return [file] { ::close(file); };
         },
         FileOp::OpenSource},
        {"mapped shared-writable", ConvertOutcome::SourceInUse,
         [](const PathString& path) -> std::function<void()> {
             const int file = ::open(path.c_str(), O_RDWR);
             void* map = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
             ::close(file);
             return [map] { ::munmap(map, 4096); };
         },
         FileOp::OpenSource},
        {"opened for writing while it is read", ConvertOutcome::SourceInUse, nullptr, FileOp::Write},
        {"opened for writing just before its deletion", ConvertOutcome::ConvertedSourceKept, nullptr, FileOp::SetAside},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        if (const std::string why = WhyNoLeaseHere(folder); !why.empty()) {
            GTEST_SKIP() << why;
        }
        const PathString path = folder / "db.bin";
        const Bytes plain = PatternBytes(kLength, 3);
        ASSERT_TRUE(WriteBytes(path, plain));
        const std::function<void()> undo = row.before ? row.before(path) : nullptr;
        std::vector<OperationAction> actions;
        if (row.duringOp != FileOp::OpenSource) {
            actions.push_back({row.duringOp, [&] { OpenForWritingNow(path); }});
        }
        const ConvertResult result = EncryptWithActions(path, std::move(actions));
        if (undo) {
            undo();
        }
        EXPECT_EQ(result.outcome, row.expected);
        EXPECT_EQ(ReadBytes(path), plain);
        const Names expectedNames =
            row.expected == ConvertOutcome::SourceInUse ? Names{"db.bin"} : Names{"db.bin", "db_bin.ENC"};
        EXPECT_EQ(ListNames(folder.path()), expectedNames);
    }
}

// An editor's save (a new file renamed over the name) that lands just before the source is set aside, or
// twice around it, is never deleted; the source moved or deleted by someone else is reported as such.
TEST(SourceGuard, SavesAndMovesRacingTheDeletionLoseNothing) {
    struct Row {
        const char* what;
        std::vector<FileOp> savesAt; // a save of new contents just before each of these operations
        FileOp moveAt;               // the source renamed within the folder (OpenSource: not moved)
        bool deleteInstead;          // the source deleted instead of moved
        ConvertOutcome expected;
        Names names;
    };
    const Names afterSave{"p.bin", "p_bin.ENC"};
    const std::vector<Row> rows = {
        {"a save just before the source is set aside",
         {FileOp::SetAside},
         FileOp::OpenSource,
         false,
         ConvertOutcome::ConvertedSourceKept,
         afterSave},
        {"a save after the source was set aside",
         {FileOp::DeleteSource},
         FileOp::OpenSource,
         false,
         ConvertOutcome::Converted,
         afterSave},
        {"a save before, and another after",
         {FileOp::SetAside, FileOp::DeleteSource},
         FileOp::OpenSource,
         false,
         ConvertOutcome::ConvertedSourceKept,
         {"p (2).bin", "p.bin", "p_bin.ENC"}},
        {"moved away while it is read",
         {},
         FileOp::Write,
         false,
         ConvertOutcome::ConvertedSourceMoved,
         {"moved.bin", "p_bin.ENC"}},
        {"deleted while it is read", {}, FileOp::Write, true, ConvertOutcome::ConvertedSourceMoved, {"p_bin.ENC"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        const PathString path = folder / "p.bin";
        const Bytes plain = PatternBytes(kLength, 4);
        ASSERT_TRUE(WriteBytes(path, plain));
        std::vector<OperationAction> actions;
        int saves = 0;
        for (const FileOp op : row.savesAt) {
            actions.push_back({op, [&] {
                                   const PathString draft = folder / "draft";
                                   ASSERT_TRUE(WriteBytes(draft, PatternBytes(100, 10 + ++saves)));
                                   ASSERT_EQ(std::rename(draft.c_str(), path.c_str()), 0);
                               }});
        }
        if (row.moveAt != FileOp::OpenSource) {
            actions.push_back({row.moveAt, [&] {
                                   ASSERT_EQ(row.deleteInstead
                                                 ? ::unlink(path.c_str())
                                                 : std::rename(path.c_str(), (folder / "moved.bin").c_str()),
                                             0);
                               }});
        }
        const ConvertResult result = EncryptWithActions(path, std::move(actions));
        EXPECT_EQ(result.outcome, row.expected);
        EXPECT_EQ(ListNames(folder.path()), row.names);
        if (saves > 0) {
            EXPECT_EQ(ReadBytes(path), PatternBytes(100, 10 + saves)) << "the last save stays under the name";
        }
        if (saves > 1) {
            EXPECT_EQ(ReadBytes(folder / "p (2).bin"), PatternBytes(100, 11)) << "the earlier save beside it";
            EXPECT_EQ(result.keptSourcePath, folder / "p (2).bin");
        }
        if (row.expected == ConvertOutcome::ConvertedSourceMoved) {
            EXPECT_EQ(result.movedSourceReadable, !row.deleteInstead);
        }
        if (row.moveAt != FileOp::OpenSource && !row.deleteInstead) {
            EXPECT_EQ(ReadBytes(folder / "moved.bin"), plain);
        }
        TempFolder elsewhere; // the container restores what was read
        ASSERT_EQ(std::rename((folder / "p_bin.ENC").c_str(), (elsewhere / "p_bin.ENC").c_str()), 0);
        EXPECT_EQ(DecryptFromContainer((elsewhere / "p_bin.ENC").c_str(), kTestPassword).outcome,
                  ConvertOutcome::Converted);
        EXPECT_EQ(ReadBytes(elsewhere / "p.bin"), plain);
    }
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
