// The batch walker on real folder trees: what each pass counts, what it hands to the engine, in which
// order, and what it leaves alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "fault_injection.h"
#include "folder.h"
#include "path_parts.h"
#include "walker_test_tree.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace walker_test;

namespace {

int32_t Count(const std::vector<PathString>& selection) {
    int32_t total = -1;
    EXPECT_EQ(CountSelection(selection.data(), static_cast<int>(selection.size()), &total), 1);
    return total;
}

RecordingObserver Process(const std::vector<PathString>& selection, int mode) {
    RecordingObserver observer;
    EXPECT_EQ(ProcessSelection(selection.data(), static_cast<int>(selection.size()), mode, kPassword, &observer), 1);
    return observer;
}

using Names = std::vector<std::string>;

class BatchWalkerTest : public ::testing::Test {
protected:
    TempFolder tree;
};

TEST_F(BatchWalkerTest, RefusesSelectionsWithoutItems) {
    const std::vector<PathString> firstEmpty = {PathString(), (tree.root() / "a").native()};
    const PathString one = (tree.root() / "a").native();
    int32_t total = 77;
    EXPECT_EQ(CountSelection(nullptr, 1, &total), 0);
    EXPECT_EQ(CountSelection(&one, 1, nullptr), 0);
    EXPECT_EQ(CountSelection(&one, 0, &total), 0);
    EXPECT_EQ(CountSelection(firstEmpty.data(), 2, &total), 0);
    EXPECT_EQ(total, 77);
    EXPECT_EQ(ProcessSelection(nullptr, 1, kModeEncrypt, kPassword), 0);
    EXPECT_EQ(ProcessSelection(&one, -1, kModeEncrypt, kPassword), 0);
    EXPECT_EQ(ProcessSelection(firstEmpty.data(), 2, kModeEncrypt, kPassword), 0);
    EXPECT_EQ(ProcessSelection(&one, 1, 2, kPassword), 0);
    EXPECT_EQ(ProcessOneFile(nullptr, kModeEncrypt, kPassword), 0);
    EXPECT_EQ(ProcessOneFile(TOLVANE_PATH_LITERAL(""), kModeDecrypt, kPassword), 0);
    EXPECT_EQ(ProcessFolder(nullptr, kModeEncrypt, kPassword), 0);
}

TEST_F(BatchWalkerTest, MixedSelectionEncryptsOnlyPlainFiles) {
    WriteBytes(tree.root() / "a.txt", "alpha");
    WriteBytes(tree.root() / "b", "bravo");
    const fs::path container = MakeContainer(tree.root() / "b");
    const std::string containerBytes = ReadText(container).value_or("");
    const auto selection = Selection({tree.root() / "a.txt", container});

    EXPECT_EQ(Count(selection), 2);
    const RecordingObserver observer = Process(selection, kModeEncrypt);

    EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{"a.txt"});
    EXPECT_EQ(observer.Names(WalkEvent::PassedOver), Names{"b.ENC"});
    EXPECT_EQ(NamesIn(tree.root()), (Names{"a_txt.ENC", "b.ENC"}));
    EXPECT_EQ(ReadText(container), containerBytes);
}

TEST_F(BatchWalkerTest, MixedSelectionDecryptsOnlyContainers) {
    WriteBytes(tree.root() / "a.txt", "alpha");
    WriteBytes(tree.root() / "b", "bravo");
    const fs::path container = MakeContainer(tree.root() / "b");
    const auto selection = Selection({tree.root() / "a.txt", container});

    EXPECT_EQ(Count(selection), 2);
    const RecordingObserver observer = Process(selection, kModeDecrypt);

    EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{"b.ENC"});
    EXPECT_EQ(observer.Names(WalkEvent::PassedOver), Names{"a.txt"});
    EXPECT_EQ(NamesIn(tree.root()), (Names{"a.txt", "b"}));
    EXPECT_EQ(ReadText(tree.root() / "b"), "bravo");
}

// The batch's observer hears the conversion of each file the walk hands over, a selected one and one found
// in a folder alike, and a container that does not open with the password.
TEST_F(BatchWalkerTest, EngineReportsOfEachFileReachTheBatchObserver) {
    MakeFolder(tree.root() / "f");
    WriteBytes(tree.root() / "f" / "mine", "mine");
    WriteBytes(tree.root() / "theirs", "theirs");
    const fs::path mine = MakeContainer(tree.root() / "f" / "mine");
    const Utf16Char otherPassword[] = {'o', 't', 'h', 'e', 'r', 0};
    const fs::path theirs(EncryptToContainer((tree.root() / "theirs").c_str(), otherPassword).outputPath);

    const RecordingObserver observer = Process(Selection({theirs, tree.root() / "f"}), kModeDecrypt);

    EXPECT_EQ(observer.started, (std::vector<PathString>{theirs.native(), mine.native()}));
    EXPECT_EQ(observer.wrongPasswords, std::vector<PathString>{theirs.native()});
}

// Stops the walk once the given number of files has started, as Ctrl-C or Cancel would during that file.
class StopAtFile final : public BatchObserver {
public:
    explicit StopAtFile(size_t file) : m_file(file) {}
    void FileStarted(const PathString& path, uint64_t) override { started.push_back(path); }
    void FileConverted(const PathString& path, const ConvertResult& result) override {
        reported.push_back(path);
        outcomes.push_back(result.outcome);
    }
    bool StopRequested() override { return started.size() >= m_file; }

    std::vector<PathString> started;
    std::vector<PathString> reported;
    std::vector<ConvertOutcome> outcomes;

private:
    size_t m_file;
};

// A stop in the middle of a folder's batch: the files whose outputs were complete are finished (named,
// their sources deleted) and reported in the order of the walk, the file in hand is left as it was, and
// nothing after it is started.
TEST_F(BatchWalkerTest, AStopInsideABatchFinishesTheOutputsWrittenAndNothingMore) {
    constexpr int kFiles = 10;
    for (int index = 0; index < kFiles; ++index) {
        WriteBytes(tree.root() / (std::string("file ").append(std::to_string(index))),
                   std::string("contents ").append(std::to_string(index)));
    }
    StopAtFile observer(4);
    ASSERT_EQ(ProcessFolder(tree.root().c_str(), kModeEncrypt, kPassword, &observer), 1);

    ASSERT_EQ(observer.started.size(), 4u);
    EXPECT_EQ(observer.reported, observer.started);
    EXPECT_EQ(observer.outcomes, (std::vector<ConvertOutcome>{ConvertOutcome::Converted, ConvertOutcome::Converted,
                                                              ConvertOutcome::Converted, ConvertOutcome::Interrupted}));
    int containers = 0;
    for (const std::string& name : NamesIn(tree.root())) {
        containers += IsContainerName(PathString(fs::path(name).native())) ? 1 : 0;
    }
    EXPECT_EQ(containers, 3);
    EXPECT_EQ(NamesIn(tree.root()).size(), static_cast<size_t>(kFiles)) << "three containers and seven plain files";
    for (size_t index = 0; index < 3; ++index) {
        EXPECT_FALSE(fs::exists(observer.started[index])) << "a finished source stays";
    }
    EXPECT_TRUE(fs::exists(observer.started[3])) << "the file in hand is left as it was";
}

// Only an extension of exactly "ENC", in any letter case, makes a container.
TEST_F(BatchWalkerTest, ContainerExtensionInAnyCaseButNothingElse) {
    struct Case {
        const char* name;
        bool container;
    };
    const Case cases[] = {{"c.enc", true}, {"c.Enc", true}, {"c.ENC.bak", false}, {"c_ENC", false}, {"ENC", false}};
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        for (const int mode : {kModeEncrypt, kModeDecrypt}) {
            TempFolder local;
            WriteBytes(local.root() / item.name, "not really encrypted");
            RecordingObserver observer;
            EXPECT_EQ(ProcessOneFile((local.root() / item.name).c_str(), mode, kPassword, &observer), 1);
            ASSERT_EQ(observer.events.size(), 1u);
            const bool handedToEngine = observer.events[0].kind == WalkEvent::Converted;
            EXPECT_EQ(handedToEngine, mode == kModeEncrypt ? !item.container : item.container) << "mode " << mode;
            if (!handedToEngine) {
                EXPECT_EQ(observer.events[0].reason, PassOverReason::Extension);
            }
        }
    }
}

TEST_F(BatchWalkerTest, VanishedMiddleItemEndsBothPasses) {
    WriteBytes(tree.root() / "first.txt", "1");
    WriteBytes(tree.root() / "third.txt", "3");
    const auto selection = Selection({tree.root() / "first.txt", tree.root() / "gone.txt", tree.root() / "third.txt"});

    EXPECT_EQ(Count(selection), 1);
    const RecordingObserver observer = Process(selection, kModeEncrypt);

    EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{"first.txt"});
    EXPECT_EQ(observer.Names(WalkEvent::Unreadable), Names{"gone.txt"});
    EXPECT_EQ(NamesIn(tree.root()), (Names{"first_txt.ENC", "third.txt"}));
}

TEST_F(BatchWalkerTest, EmptyFileIsCountedButNotConverted) {
    MakeFolder(tree.root() / "f");
    WriteBytes(tree.root() / "f" / "empty", "");
    WriteBytes(tree.root() / "f" / "ten", "0123456789");
    const auto selection = Selection({tree.root() / "f"});

    EXPECT_EQ(Count(selection), 2);
    const RecordingObserver observer = Process(selection, kModeEncrypt);

    std::map<std::string, ConvertOutcome> outcomes;
    for (const WalkEvent& event : observer.events) {
        outcomes[fs::path(event.path).filename().string()] = event.outcome;
    }
    EXPECT_EQ(outcomes, (std::map<std::string, ConvertOutcome>{{"empty", ConvertOutcome::SkippedEmpty},
                                                               {"ten", ConvertOutcome::Converted}}));
    EXPECT_EQ(NamesIn(tree.root() / "f"), (Names{"empty", "ten.ENC"}));
}

// Every subfolder is finished before the walk goes on in its parent, whatever the listing order: the files
// of each folder's subtree form one unbroken run of the walk.
TEST_F(BatchWalkerTest, WalksDepthFirst) {
    const fs::path top = tree.root() / "top";
    const std::vector<fs::path> files = {top / "a1",
                                         top / "a2",
                                         top / "s1" / "b1",
                                         top / "s1" / "b2",
                                         top / "s1" / "t" / "c1",
                                         top / "s1" / "t" / "c2",
                                         top / "s1" / "t" / "c3",
                                         top / "s2" / "d1",
                                         top / "s2" / "u" / "e1",
                                         top / "z9"};
    for (const fs::path& file : files) {
        MakeFolder(file.parent_path());
        WriteBytes(file, "payload");
    }
    const auto selection = Selection({top});
    EXPECT_EQ(Count(selection), static_cast<int32_t>(files.size()));
    const RecordingObserver observer = Process(selection, kModeEncrypt);

    ASSERT_EQ(observer.events.size(), files.size());
    std::vector<fs::path> walked;
    for (const WalkEvent& event : observer.events) {
        EXPECT_EQ(event.kind, WalkEvent::Converted);
        walked.emplace_back(event.path);
    }
    for (const fs::path& folder : {top / "s1", top / "s1" / "t", top / "s2", top / "s2" / "u"}) {
        SCOPED_TRACE(folder.string());
        auto inside = [&](const fs::path& file) {
            return file.native().starts_with(folder.native() + fs::path::preferred_separator);
        };
        const auto first = std::find_if(walked.begin(), walked.end(), inside);
        const auto afterRun = std::find_if_not(first, walked.end(), inside);
        EXPECT_EQ(std::find_if(afterRun, walked.end(), inside), walked.end());
    }
    for (const fs::path& file : files) {
        EXPECT_TRUE(FileExists(file.native() + TOLVANE_PATH_LITERAL(".ENC"))) << file;
    }
}

// Long names, so that a folder listing is read from the file system in several batches and returns some
// outputs of the batch after their sources.
std::string LongName(const char* prefix, int index) {
    std::string name(prefix);
    name += std::to_string(index);
    name.append(240 - name.size(), '_');
    return name;
}

// A folder of many files: each source is converted once and no output is touched again. Decrypting
// restores names ending in ".ENC", which would be taken for containers if the walk met them again.
TEST_F(BatchWalkerTest, NeverConvertsItsOwnOutputAgain) {
#ifdef _WIN32
    // Wine reads a whole folder at the first call, so here many files would only cost time.
    constexpr int kFiles = 30;
#else
    constexpr int kFiles = 200;
#endif
    const fs::path folder = tree.root() / "many";
    MakeFolder(folder);
    for (int index = 0; index < kFiles; ++index) {
        WriteBytes(folder / (LongName("n", index) + ".ENC"), std::string("content ").append(std::to_string(index)));
    }
    // Encrypted by the engine directly: the walker would pass these over by their extension.
    for (int index = 0; index < kFiles; ++index) {
        MakeContainer(folder / (LongName("n", index) + ".ENC"));
    }
    const RecordingObserver decrypting = Process(Selection({folder}), kModeDecrypt);

    EXPECT_EQ(decrypting.wrongPasswords, std::vector<PathString>{});
    EXPECT_EQ(decrypting.events.size(), static_cast<size_t>(kFiles));
    for (const WalkEvent& event : decrypting.events) {
        EXPECT_EQ(event.kind, WalkEvent::Converted);
        EXPECT_EQ(event.outcome, ConvertOutcome::Converted) << fs::path(event.path);
        EXPECT_TRUE(event.path.ends_with(TOLVANE_PATH_LITERAL("_ENC.ENC"))) << fs::path(event.path);
    }
    for (int index = 0; index < kFiles; ++index) {
        EXPECT_EQ(ReadText(folder / (LongName("n", index) + ".ENC")),
                  std::string("content ").append(std::to_string(index)));
    }

    // Encrypting plain files: the new containers are neither converted nor reported.
    const fs::path plain = tree.root() / "plain";
    MakeFolder(plain);
    for (int index = 0; index < kFiles; ++index) {
        WriteBytes(plain / LongName("p", index), "x");
    }
    const RecordingObserver encrypting = Process(Selection({plain}), kModeEncrypt);
    EXPECT_EQ(encrypting.Names(WalkEvent::Converted).size(), static_cast<size_t>(kFiles));
    EXPECT_EQ(encrypting.Names(WalkEvent::PassedOver), Names{});
    EXPECT_EQ(NamesIn(plain).size(), static_cast<size_t>(kFiles));
}

// A leftover output of a killed run is neither counted nor converted, and is reported and kept: no file is
// deleted because of its name. A user's file that merely resembles one is an ordinary file.
TEST_F(BatchWalkerTest, LeftoverEngineTemporaryIsReportedAndKept) {
    const fs::path folder = tree.root() / "f";
    MakeFolder(folder);
    WriteBytes(folder / ".tolvane-0123456789abcdef.tmp", "half a container");
    WriteBytes(folder / ".tolvane-notrandomdigits.tmp", "a user's file");
    const auto selection = Selection({folder / ".tolvane-0123456789abcdef.tmp", folder});

    EXPECT_EQ(Count(selection), 1);
    const RecordingObserver observer = Process(selection, kModeEncrypt);

    EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{".tolvane-notrandomdigits.tmp"});
    // Named on its own and met again in its folder: reported both times, deleted neither time.
    ASSERT_EQ(observer.Names(WalkEvent::PassedOver),
              (Names{".tolvane-0123456789abcdef.tmp", ".tolvane-0123456789abcdef.tmp"}));
    EXPECT_EQ(observer.events.front().reason, PassOverReason::EngineTemporary);
    EXPECT_EQ(NamesIn(folder), (Names{".tolvane-0123456789abcdef.tmp", ".tolvane-notrandomdigits_tmp.ENC"}));
}

// What a killed run left between setting a source aside and deleting it is the whole file: kept, and told
// apart from a half-written output.
TEST_F(BatchWalkerTest, SourceSetAsideByAKilledRunIsReportedAndKept) {
    const fs::path folder = tree.root() / "f";
    MakeFolder(folder);
    WriteBytes(folder / ".tolvane-0123456789abcdef.src", "the plain file");
    const RecordingObserver observer = Process(Selection({folder}), kModeEncrypt);
    ASSERT_EQ(observer.Names(WalkEvent::PassedOver), Names{".tolvane-0123456789abcdef.src"});
    EXPECT_EQ(observer.events.front().reason, PassOverReason::SetAsideSource);
    EXPECT_EQ(ReadText(folder / ".tolvane-0123456789abcdef.src"), "the plain file");
}

#ifdef _WIN32
// A name holding ':' is a stream of a file on Windows, which goes with its file; Wine keeps each stream
// as a file of that name, which the walk must not take for a file of its own.
TEST_F(BatchWalkerTest, AStreamNameIsPassedOver) {
    const fs::path folder = tree.root() / "f";
    MakeFolder(folder);
    WriteBytes(folder / "a.txt", "the file");
    WriteBytes(folder / "a.txt:Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
    const bool listed = NamesIn(folder) == Names{"a.txt", "a.txt:Zone.Identifier"}; // Wine

    EXPECT_EQ(Count(Selection({folder})), 1);
    const RecordingObserver observer = Process(Selection({folder}), kModeEncrypt);

    EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{"a.txt"});
    const Names passedOver = observer.Names(WalkEvent::PassedOver);
    EXPECT_EQ(std::count(passedOver.begin(), passedOver.end(), "a.txt:Zone.Identifier"), listed ? 1 : 0);
    for (const WalkEvent& event : observer.events) {
        EXPECT_TRUE(event.kind != WalkEvent::PassedOver || event.reason == PassOverReason::StreamName);
    }
}
#endif

// A listing that breaks off part way (a disk error) is a failure of that folder with its reason, never
// taken for its end.
TEST_F(BatchWalkerTest, ListingThatBreaksOffIsAFailureOfItsFolder) {
    const fs::path folder = tree.root() / "f";
    MakeFolder(folder / "sub");
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        WriteBytes(folder / "sub" / name, "plain");
    }
    // The first read of a listing, or a later one (POSIX reads an entry at a time, Windows a buffer of them).
    for (const uint64_t nth : {1u, 4u}) {
        SCOPED_TRACE(nth);
        const FaultScope brokenDisk(FileOp::ListFolder, nth, FaultAction::Fail, true);
        const RecordingObserver observer = Process(Selection({folder}), kModeEncrypt);
        const auto failed = std::find_if(observer.events.begin(), observer.events.end(),
                                         [](const WalkEvent& event) { return event.kind == WalkEvent::Unlistable; });
        ASSERT_NE(failed, observer.events.end());
        EXPECT_NE(failed->systemError, 0);
        if (nth == 1) {
            EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{});
        }
    }
}

TEST_F(BatchWalkerTest, FolderThatCannotBeListedGivesZero) {
    WriteBytes(tree.root() / "file", "x");
    int32_t counter = 5;
    EXPECT_EQ(CountFolderFiles((tree.root() / "file").c_str(), &counter), 0);
    EXPECT_EQ(CountFolderFiles((tree.root() / "missing").c_str(), &counter), 0);
    EXPECT_EQ(counter, 5);
    EXPECT_EQ(ProcessFolder((tree.root() / "file").c_str(), kModeEncrypt, kPassword), 0);
    EXPECT_EQ(ProcessFolder((tree.root() / "missing").c_str(), kModeEncrypt, kPassword), 0);
    EXPECT_EQ(ReadText(tree.root() / "file"), "x");
}

// Paths longer than the 260 units of a classic Windows path, both as selection items and inside a walk.
TEST_F(BatchWalkerTest, PathsLongerThanClassicLimit) {
    fs::path deep = tree.root();
    for (int level = 0; level < 5; ++level) {
        deep /= std::string(60, static_cast<char>('a' + level));
    }
    MakeFolder(deep);
    const fs::path inside = deep / "inside.txt";
    const fs::path selected = deep / "selected.txt";
    WriteBytes(inside, "deep content");
    WriteBytes(selected, "selected content");
    ASSERT_GT(inside.native().size(), 300u);

    const auto folderSelection = Selection({tree.root() / std::string(60, 'a')});
    EXPECT_EQ(Count(folderSelection), 2);
    const RecordingObserver encrypting = Process(folderSelection, kModeEncrypt);
    Names converted = encrypting.Names(WalkEvent::Converted);
    std::sort(converted.begin(), converted.end());
    EXPECT_EQ(converted, (Names{"inside.txt", "selected.txt"}));
    EXPECT_EQ(NamesIn(deep), (Names{"inside_txt.ENC", "selected_txt.ENC"}));

    const fs::path selectedContainer = deep / "selected_txt.ENC";
    const auto fileSelection = Selection({selectedContainer});
    EXPECT_EQ(Count(fileSelection), 1);
    const RecordingObserver decryptingOne = Process(fileSelection, kModeDecrypt);
    ASSERT_EQ(decryptingOne.events.size(), 1u);
    EXPECT_EQ(decryptingOne.events[0].outcome, ConvertOutcome::Converted);
    EXPECT_EQ(ReadText(selected), "selected content");

    Process(folderSelection, kModeDecrypt);
    EXPECT_EQ(NamesIn(deep), (Names{"inside.txt", "selected.txt"}));
    EXPECT_EQ(ReadText(inside), "deep content");
}

#ifdef _WIN32

TEST_F(BatchWalkerTest, LinksAreNeitherWalkedNorConverted) {
    const fs::path top = tree.root() / "top";
    MakeFolder(top);
    WriteBytes(top / "real.txt", "real");
    WriteBytes(tree.root() / "outside.txt", "outside");
    const bool created = CreateSymbolicLinkW((top / "loop").c_str(), top.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
                         CreateSymbolicLinkW((top / "link.txt").c_str(), (tree.root() / "outside.txt").c_str(), 0);
    // Wine 8 answers success without making a link.
    if (!created || GetFileAttributesW((top / "link.txt").c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "symbolic links cannot be created on this system";
    }
    const auto selection = Selection({top, top / "link.txt"});
    EXPECT_EQ(Count(selection), 1);
    const RecordingObserver observer = Process(selection, kModeEncrypt);
    EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{"real.txt"});
    EXPECT_EQ(observer.Names(WalkEvent::PassedOver).size(), 3u);
    EXPECT_EQ(ReadText(tree.root() / "outside.txt"), "outside");
}

// A folder whose listing is refused cannot be made under Wine (the tests run as root and Wine maps access
// checks to Unix permissions), so that case is tested in the native build only.

#else

TEST_F(BatchWalkerTest, LinksAreNeitherWalkedNorConverted) {
    const fs::path top = tree.root() / "top";
    MakeFolder(top);
    WriteBytes(top / "real.txt", "real");
    WriteBytes(tree.root() / "outside.txt", "outside");
    fs::create_directory_symlink(top, top / "loop");
    fs::create_directory_symlink(tree.root(), top / "up");
    fs::create_symlink(tree.root() / "outside.txt", top / "link.txt");
    fs::create_symlink(tree.root() / "nowhere", top / "dangling");
    ASSERT_EQ(mkfifo((top / "pipe").c_str(), 0600), 0);

    const auto selection = Selection({top, top / "link.txt", top / "loop"});
    EXPECT_EQ(Count(selection), 1);
    const RecordingObserver observer = Process(selection, kModeEncrypt);

    EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{"real.txt"});
    std::map<std::string, int> passedOver;
    for (const WalkEvent& event : observer.events) {
        if (event.kind == WalkEvent::PassedOver) {
            passedOver[fs::path(event.path).filename().string()] += event.reason == PassOverReason::Link ? 1 : 100;
        }
    }
    // The two selected links once more, and the pipe, which is no link but no regular file either.
    EXPECT_EQ(passedOver,
              (std::map<std::string, int>{{"dangling", 1}, {"link.txt", 2}, {"loop", 2}, {"pipe", 100}, {"up", 1}}));
    EXPECT_TRUE(fs::is_symlink(top / "link.txt"));
    EXPECT_EQ(ReadText(tree.root() / "outside.txt"), "outside");
}

// Root passes every permission check through two capabilities; dropping them from the effective set (and
// raising them again) lets a root test see a permission refusal as any other user would.
class WithoutAccessOverride {
public:
    WithoutAccessOverride() {
        if (geteuid() != 0) {
            return;
        }
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutAccessOverride() {
        if (dropped_) {
            syscall(SYS_capset, &header_, saved_);
        }
    }
    bool active() const { return geteuid() != 0 || dropped_; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

// A folder that can be listed but not searched: its files are there, and not reaching them is a failure of
// each, with its reason, not "gone".
TEST_F(BatchWalkerTest, FilesOfAFolderThatCannotBeSearchedFailWithTheirReason) {
    const fs::path folder = tree.root() / "readonly";
    MakeFolder(folder);
    WriteBytes(folder / "a.txt", "kept");
    WriteBytes(folder / "b.txt", "kept");
    fs::permissions(folder, fs::perms::owner_read);
    {
        const WithoutAccessOverride asOrdinaryUser;
        if (!asOrdinaryUser.active()) {
            fs::permissions(folder, fs::perms::owner_all);
            GTEST_SKIP() << "cannot give up root's permission override here";
        }
        const RecordingObserver observer = Process(Selection({folder}), kModeEncrypt);
        EXPECT_EQ(observer.Names(WalkEvent::PassedOver), Names{});
        ASSERT_EQ(observer.Names(WalkEvent::Converted).size(), 2u);
        for (const WalkEvent& event : observer.events) {
            EXPECT_EQ(event.outcome, ConvertOutcome::SourceUnreadable);
            EXPECT_EQ(event.systemError, EACCES);
        }
    }
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(NamesIn(folder), (Names{"a.txt", "b.txt"}));
}

// Another file system, or a bind mount of a folder outside the selection, is neither walked nor converted.
TEST_F(BatchWalkerTest, MountsInsideTheSelectionAreNotEntered) {
    const fs::path outside = tree.root() / "outside";
    MakeFolder(outside);
    WriteBytes(outside / "theirs.txt", "not selected");
    struct Row {
        const char* what;
        const char* source;
        const char* type;
        unsigned long flags;
    };
    const std::string outsidePath = outside.string();
    const Row rows[] = {{"a bind mount", outsidePath.c_str(), nullptr, MS_BIND}, {"a tmpfs", "none", "tmpfs", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path selected = tree.root() / "selected";
        MakeFolder(selected / "mounted");
        WriteBytes(selected / "mine.txt", "selected");
        if (::mount(row.source, (selected / "mounted").c_str(), row.type, row.flags, nullptr) != 0) {
            GTEST_SKIP() << "cannot mount here (" << std::strerror(errno) << "): needs root with CAP_SYS_ADMIN";
        }
        const fs::path inside = selected / "mounted" / (row.type ? "inside.txt" : "theirs.txt");
        if (row.type) {
            WriteBytes(inside, "on the mount");
        }
        const auto before = ReadText(inside);
        EXPECT_EQ(Count(Selection({selected})), 1);
        const RecordingObserver observer = Process(Selection({selected}), kModeEncrypt);
        EXPECT_EQ(observer.Names(WalkEvent::Converted), Names{"mine.txt"});
        ASSERT_EQ(observer.Names(WalkEvent::PassedOver), Names{"mounted"});
        for (const WalkEvent& event : observer.events) {
            EXPECT_TRUE(event.kind != WalkEvent::PassedOver || event.reason == PassOverReason::MountPoint);
        }
        EXPECT_EQ(ReadText(inside), before);
        ::umount2((selected / "mounted").c_str(), MNT_DETACH);
        fs::remove_all(selected);
    }
    EXPECT_EQ(NamesIn(outside), (Names{"theirs.txt"}));
}

TEST_F(BatchWalkerTest, FolderWhoseListingIsRefusedIsSkipped) {
    const fs::path top = tree.root() / "top";
    MakeFolder(top / "locked" / "below");
    WriteBytes(top / "locked" / "hidden.txt", "kept");
    WriteBytes(top / "locked" / "below" / "deeper.txt", "kept");
    WriteBytes(top / "next.txt", "converted");
    MakeFolder(tree.root() / "lockedTop");
    WriteBytes(tree.root() / "lockedTop" / "x", "kept");
    WriteBytes(tree.root() / "after.txt", "converted");
    const auto selection = Selection({top, tree.root() / "lockedTop", tree.root() / "after.txt"});
    {
        fs::permissions(top / "locked", fs::perms::none);
        fs::permissions(tree.root() / "lockedTop", fs::perms::none);
        const WithoutAccessOverride asOrdinaryUser;
        if (!asOrdinaryUser.active()) {
            fs::permissions(top / "locked", fs::perms::owner_all);
            fs::permissions(tree.root() / "lockedTop", fs::perms::owner_all);
            GTEST_SKIP() << "cannot give up root's permission override here";
        }
        EXPECT_EQ(Count(selection), 2);
        const RecordingObserver observer = Process(selection, kModeEncrypt);
        EXPECT_EQ(observer.Names(WalkEvent::Converted), (Names{"next.txt", "after.txt"}));
        EXPECT_EQ(observer.Names(WalkEvent::Unlistable), (Names{"locked", "lockedTop"}));
    }
    fs::permissions(top / "locked", fs::perms::owner_all);
    fs::permissions(tree.root() / "lockedTop", fs::perms::owner_all);
    EXPECT_EQ(NamesIn(top), (Names{"locked", "next_txt.ENC"}));
    EXPECT_EQ(ReadText(top / "locked" / "hidden.txt"), "kept");
    EXPECT_EQ(ReadText(top / "locked" / "below" / "deeper.txt"), "kept");
    EXPECT_EQ(ReadText(tree.root() / "lockedTop" / "x"), "kept");
}

#endif

} // namespace

namespace {

// Moves a folder out of the selection the moment the deepest file of a chain has been converted, and
// records what the walk then does.
class MovingObserver final : public BatchObserver {
public:
    MovingObserver(fs::path from, fs::path to) : m_from(std::move(from)), m_to(std::move(to)) {}

    void FileConverted(const PathString& path, const ConvertResult&) override {
        converted.push_back(path);
        if (!moved && fs::path(path).filename() == "deep.txt") {
            std::error_code error;
            fs::rename(m_from, m_to, error);
            moved = !error;
        }
    }
    void FolderUnlistable(const PathString& path, int systemError) override {
        unlistable.push_back(path);
        errors.push_back(systemError);
    }

    std::vector<PathString> converted;
    std::vector<PathString> unlistable;
    std::vector<int> errors;
    bool moved = false;

private:
    fs::path m_from;
    fs::path m_to;
};

} // namespace

// A walk deeper than the folders it keeps open comes back up by opening each folder again and checking it
// is the one it walked: a folder moved meanwhile is reported, and the walk is never led into the folder it
// was moved to.
TEST_F(BatchWalkerTest, AFolderMovedWhileTheWalkIsBelowItIsNeverFollowedOut) {
    const fs::path selected = tree.root() / "selected";
    fs::path deepest = selected;
    for (const char* name : {"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"}) {
        deepest /= name;
    }
    MakeFolder(deepest);
    WriteBytes(deepest / "deep.txt", "deep");
    WriteBytes(selected / "after.txt", "after");
    MakeFolder(tree.root() / "outside");
    WriteBytes(tree.root() / "outside" / "bystander.txt", "not selected");

    MovingObserver observer(selected / "a1" / "a2", tree.root() / "outside" / "a2");
    const std::vector<PathString> selection = Selection({selected});
    EXPECT_EQ(ProcessSelection(selection.data(), 1, kModeEncrypt, kPassword, &observer), 1);
    ASSERT_TRUE(observer.moved);
    EXPECT_FALSE(observer.unlistable.empty()) << "the move went unnoticed";
    for (const int error : observer.errors) {
        EXPECT_NE(error, 0);
    }
    EXPECT_TRUE(fs::exists(tree.root() / "outside" / "bystander.txt")) << "the walk followed the move out";
    EXPECT_FALSE(fs::exists(selected / "after.txt")) << "the rest of the selection was walked";
}

#ifdef _WIN32
// A walk enters a folder only while its path, in the long form the system opens, fits Windows' limit of
// 32,767 units: beyond it the folder is reported as too deep, never walked under a shortened path.
TEST(FolderPaths, OnlyPathsWithinTheLongestWindowsAllowsAreEntered) {
    struct Row {
        PathString prefix;
        size_t length; // of the whole path
        bool fits;
    };
    const Row rows[] = {
        {L"C:\\", 32767 - 4, true},                // "\\?\" makes it 32,767
        {L"C:\\", 32767 - 3, false},               // one unit over
        {L"\\\\server\\share\\", 32767 - 6, true}, // "\\?\UNC\" replaces the leading "\\"
        {L"\\\\server\\share\\", 32767 - 5, false},
    };
    for (const Row& row : rows) {
        PathString path = row.prefix;
        while (path.size() + 1 < row.length) {
            path += path.size() % 100 == 99 ? L'\\' : L'd';
        }
        path += L'\\';
        ASSERT_EQ(path.size(), row.length);
        EXPECT_EQ(FolderPathFitsTheSystem(path), row.fits) << row.length;
    }
}
#endif
