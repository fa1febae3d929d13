// A walk never leaves the selection and never deletes a file because of its name: entries swapped for
// links between listing and opening (the seam decides the race), containers whose stored name looks like
// an engine temporary, and the Windows rule that tells a link from other reparse points.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "fault_injection.h"
#include "walker_test_tree.h"

#ifdef _WIN32
#include <windows.h>

#include "folder.h"
#endif

using namespace walker_test;

namespace {

#ifndef _WIN32
using Snapshot = std::map<std::string, std::string>;

// Every file below the folder with its content, links not followed.
Snapshot Take(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(Callable(folder))) {
        if (!entry.is_symlink() && entry.is_regular_file()) {
            files[entry.path().lexically_relative(Callable(folder)).string()] = ReadText(entry.path()).value_or("");
        }
    }
    return files;
}

struct Swap {
    std::string name;  // the entry of the selection that is swapped once it has been listed
    fs::path selected; // its path
    fs::path target;   // the link's target outside the selection
    bool done = false;
};

void SwapForLink(void* context, PathView name) {
    auto* swap = static_cast<Swap*>(context);
    if (swap->done || std::string(name) != swap->name) {
        return;
    }
    swap->done = true;
    fs::rename(swap->selected, fs::path(swap->selected).concat(".moved"));
    fs::create_symlink(swap->target, swap->selected);
}

// A folder or file of the selection replaced by a link to the outside after it was listed, before it was
// opened: nothing outside changes, and nothing from outside ends up inside.
TEST(SelectionBoundary, EntriesSwappedForLinksAreNeverFollowed) {
    struct Case {
        const char* what;
        int mode;
        const char* entry; // in the selection; its stand-in outside
        const char* outsideTarget;
    };
    const Case cases[] = {
        {"folder, encrypting", kModeEncrypt, "inner", "outside"},
        {"folder, decrypting", kModeDecrypt, "inner", "outside"},
        {"file, encrypting", kModeEncrypt, "x.txt", "outside/secret.txt"},
        {"file, decrypting", kModeDecrypt, "x_txt.ENC", "outside/secret_txt.ENC"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        TempFolder tree;
        MakeFolder(tree.root() / "sel" / "inner");
        MakeFolder(tree.root() / "outside");
        WriteBytes(tree.root() / "sel" / "x.txt", "inside");
        WriteBytes(tree.root() / "sel" / "inner" / "f.txt", "inside too");
        WriteBytes(tree.root() / "outside" / "secret.txt", "not selected");
        WriteBytes(tree.root() / "outside" / "o.txt", "not selected either");
        if (item.mode == kModeDecrypt) {
            for (const char* plain : {"sel/x.txt", "sel/inner/f.txt", "outside/secret.txt", "outside/o.txt"}) {
                MakeContainer(tree.root() / plain);
            }
        }
        const Snapshot outside = Take(tree.root() / "outside");
        Swap swap{item.entry, tree.root() / "sel" / item.entry, tree.root() / item.outsideTarget};
        ASSERT_TRUE(FileExists(swap.selected));
        SetListingHook(SwapForLink, &swap);
        const RecordingObserver observer = [&] {
            RecordingObserver recorder;
            const auto selection = Selection({tree.root() / "sel"});
            ProcessSelection(selection.data(), 1, item.mode, kPassword, &recorder);
            return recorder;
        }();
        SetListingHook(nullptr, nullptr);
        ASSERT_TRUE(swap.done);
        ASSERT_TRUE(fs::is_symlink(swap.selected)) << "the test's link must really exist";
        EXPECT_EQ(Take(tree.root() / "outside"), outside);
        EXPECT_TRUE(fs::is_symlink(swap.selected));
        std::vector<std::string> passedOver = observer.Names(WalkEvent::PassedOver);
        EXPECT_NE(std::find(passedOver.begin(), passedOver.end(), item.entry), passedOver.end());
        for (const auto& [name, content] : Take(tree.root() / "sel")) {
            EXPECT_EQ(name.find("secret"), std::string::npos) << name;
        }
    }
}
#endif

// A container whose stored name has the engine's temporary form comes back under a name that does not,
// and nothing is deleted because of its name.
TEST(SelectionBoundary, StoredTemporaryNamesAreRestoredSafely) {
    TempFolder tree;
    const fs::path plain = tree.root() / "f" / ".tolvane-0123456789abcdef.tmp";
    MakeFolder(tree.root() / "f");
    WriteBytes(plain, "a user's data");
    const ConvertResult made = EncryptToContainer(plain.native().c_str(), kPassword);
    ASSERT_EQ(made.outcome, ConvertOutcome::Converted);

    const auto selection = Selection({tree.root() / "f"});
    const RecordingObserver observer = [&] {
        RecordingObserver recorder;
        ProcessSelection(selection.data(), 1, kModeDecrypt, kPassword, &recorder);
        return recorder;
    }();
    EXPECT_EQ(NamesIn(tree.root() / "f"), std::vector<std::string>{"_.tolvane-0123456789abcdef.tmp"});
    EXPECT_EQ(ReadText(tree.root() / "f" / "_.tolvane-0123456789abcdef.tmp"), "a user's data");
    EXPECT_EQ(observer.Names(WalkEvent::PassedOver), std::vector<std::string>{});
}

#ifdef _WIN32
// Wine makes neither junctions nor symbolic links, so the rule that decides is tested by itself: only a
// name surrogate is a link; a cloud placeholder or a deduplicated file is what its attributes say.
TEST(SelectionBoundary, OnlyNameSurrogatesAreLinks) {
    struct Case {
        DWORD attributes;
        DWORD tag;
        EntryKind kind;
    };
    constexpr DWORD kDedup = 0x80000013;
    constexpr DWORD kCloud = 0x9000001A;
    const Case cases[] = {
        {FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK, EntryKind::Link},
        {FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_MOUNT_POINT, EntryKind::Link},
        {FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK, EntryKind::Link},
        {FILE_ATTRIBUTE_REPARSE_POINT, kCloud, EntryKind::File},
        {FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY, kCloud, EntryKind::Folder},
        {FILE_ATTRIBUTE_REPARSE_POINT, kDedup, EntryKind::File},
        {FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK,
         EntryKind::Folder}, // no reparse point: the tag means nothing
        {FILE_ATTRIBUTE_NORMAL, 0, EntryKind::File},
        {FILE_ATTRIBUTE_DEVICE, 0, EntryKind::Special},
    };
    for (const Case& item : cases) {
        EXPECT_EQ(KindFromAttributes(item.attributes, item.tag), item.kind)
            << std::hex << item.attributes << " " << item.tag;
    }
}
#endif

} // namespace
