// What a file carries besides its bytes on a POSIX file system, through a container and back: its access
// list exactly (named users, empty and deny entries, no list where it had none whatever the folder's
// default), its dates to the nanosecond, and no user attribute on the container.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine_test_files.h"
#include "fault_injection.h"

namespace {

constexpr char kAccessList[] = "system.posix_acl_access";
constexpr char kDefaultList[] = "system.posix_acl_default";

// An access list as the kernel stores it: a version, then (tag, permissions, id) entries in tag order.
enum Tag : uint16_t { UserObj = 0x01, User = 0x02, GroupObj = 0x04, Group = 0x08, Mask = 0x10, Other = 0x20 };
struct Entry {
    uint16_t tag;
    uint16_t perm;
    uint32_t id = 0xFFFFFFFF;
};
using AccessList = std::vector<Entry>;

std::string Encoded(const AccessList& entries) {
    std::string bytes(4, '\0');
    const uint32_t version = 2;
    std::memcpy(bytes.data(), &version, 4);
    for (const Entry& entry : entries) {
        char raw[8];
        std::memcpy(raw, &entry.tag, 2);
        std::memcpy(raw + 2, &entry.perm, 2);
        std::memcpy(raw + 4, &entry.id, 4);
        bytes.append(raw, 8);
    }
    return bytes;
}

// The list's bytes, or "" when the file has none.
std::string ListOf(const PathString& path, const char* attribute = kAccessList) {
    char buffer[1024];
    const ssize_t size = ::getxattr(path.c_str(), attribute, buffer, sizeof(buffer));
    return size < 0 ? std::string() : std::string(buffer, static_cast<size_t>(size));
}

bool SetList(const PathString& path, const AccessList& entries, const char* attribute = kAccessList) {
    const std::string bytes = Encoded(entries);
    return ::setxattr(path.c_str(), attribute, bytes.data(), bytes.size(), 0) == 0;
}

struct stat StatOf(const PathString& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

// The only file in the folder.
PathString OnlyFile(const TempFolder& folder) {
    const std::vector<PathString> names = ListNames(folder.path());
    return names.size() == 1 ? folder / names[0] : PathString();
}

// A list with a named user and an empty owning-group entry; a deny entry on a file readable by all.
const AccessList kNamedUser = {{UserObj, 6}, {User, 4, 1234}, {GroupObj, 0}, {Mask, 4}, {Other, 0}};
const AccessList kDenyEntry = {{UserObj, 6}, {User, 0, 4321}, {GroupObj, 4}, {Mask, 4}, {Other, 4}};
// A folder default that would give every new file to user 999.
const AccessList kFolderDefault = {{UserObj, 7}, {User, 7, 999}, {GroupObj, 7}, {Mask, 7}, {Other, 7}};

struct ListRow {
    const char* what;
    const AccessList* fileList;      // null: the file has no list of its own
    const AccessList* folderDefault; // set on the folder after the file was made; null: none
    mode_t mode;
};
const ListRow kListRows[] = {
    {"named user, empty group entry", &kNamedUser, nullptr, 0640},
    {"deny entry on a file readable by all", &kDenyEntry, nullptr, 0644},
    {"no list, folder default added later", nullptr, &kFolderDefault, 0600},
    {"own list in a folder with a default", &kNamedUser, &kFolderDefault, 0640},
};

TEST(MetadataPosix, AccessListsTravelExactlyBothWays) {
    TempFolder probe;
    ASSERT_TRUE(WriteBytes(probe / P("p"), PatternBytes(1)));
    if (!SetList(probe / P("p"), kNamedUser)) {
        GTEST_SKIP() << "the temporary folder's file system keeps no access lists: " << std::strerror(errno);
    }
    for (const ListRow& row : kListRows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        const PathString plain = folder / P("notes.txt");
        const Bytes bytes = PatternBytes(3000);
        ASSERT_TRUE(WriteBytes(plain, bytes));
        ASSERT_EQ(::chmod(plain.c_str(), row.mode), 0);
        if (row.fileList != nullptr) {
            ASSERT_TRUE(SetList(plain, *row.fileList));
        }
        if (row.folderDefault != nullptr) {
            ASSERT_TRUE(SetList(folder.path(), *row.folderDefault, kDefaultList));
        }
        const std::string list = ListOf(plain);
        const mode_t mode = StatOf(plain).st_mode & 07777;

        ASSERT_EQ(EncryptOneFile(plain.c_str(), kTestPassword), 1);
        const PathString container = OnlyFile(folder);
        EXPECT_EQ(ListOf(container), list) << "the container's list";
        EXPECT_EQ(StatOf(container).st_mode & 07777, mode) << "the container's mode";

        ASSERT_EQ(DecryptOneFile(container.c_str(), kTestPassword), 1);
        EXPECT_EQ(ReadBytes(plain), bytes);
        EXPECT_EQ(ListOf(plain), list) << "the restored file's list";
        EXPECT_EQ(StatOf(plain).st_mode & 07777, mode) << "the restored file's mode";
    }
}

// A list the output cannot be given fails the conversion: the source stays, and no output grants more.
TEST(MetadataPosix, WhatCannotBeCarriedFailsTheConversion) {
    TempFolder folder;
    const PathString plain = folder / P("kept.txt");
    ASSERT_TRUE(WriteBytes(plain, PatternBytes(100)));
    ConvertResult result;
    {
        FaultScope noLists(FileOp::PassOnMetadata, 1, FaultAction::Fail);
        result = EncryptToContainer(plain.c_str(), kTestPassword);
    }
    EXPECT_EQ(result.outcome, ConvertOutcome::OutputFailed);
    EXPECT_EQ(result.systemError, ENOTSUP);
    EXPECT_EQ(ListNames(folder.path()), std::vector<PathString>{P("kept.txt")});
}

TEST(MetadataPosix, DatesToTheNanosecondAndNoUserAttributeOnTheContainer) {
    TempFolder folder;
    const PathString plain = folder / P("photo.jpg");
    ASSERT_TRUE(WriteBytes(plain, PatternBytes(5000)));
    const struct timespec times[2] = {{1500000000, 111111111}, {1600000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, plain.c_str(), times, 0), 0);
    const std::string origin = "https://example.invalid/photo.jpg";
    const bool userAttributes = ::setxattr(plain.c_str(), "user.xdg.origin.url", origin.data(), origin.size(), 0) == 0;

    ASSERT_EQ(EncryptOneFile(plain.c_str(), kTestPassword), 1);
    const PathString container = OnlyFile(folder);
    const struct stat sealed = StatOf(container);
    EXPECT_EQ(sealed.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(sealed.st_mtim.tv_nsec, times[1].tv_nsec);
    if (userAttributes) {
        char names[1024];
        const ssize_t size = ::listxattr(container.c_str(), names, sizeof(names));
        for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
            EXPECT_NE(std::strncmp(names + at, "user.", 5), 0) << "the container carries " << names + at;
        }
    }

    ASSERT_EQ(DecryptOneFile(container.c_str(), kTestPassword), 1);
    const struct stat restored = StatOf(plain);
    EXPECT_EQ(restored.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(restored.st_mtim.tv_nsec, times[1].tv_nsec);
}

} // namespace
