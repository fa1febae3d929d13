// tolvane-cli as people type it: bare names and repeated paths, a closed output pipe, Ctrl-C and SIGTERM,
// retried prompts, and messages that say why and cannot drive the terminal.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <stdexcept>

#include <unistd.h>

#include "cli_folder_test.h"
#include "cli_runner.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif
#else
constexpr bool kSanitizedBuild = false;
#endif

constexpr unsigned kNobody = 65534;

class CliAsTypedTest : public CliFolderTest {
protected:
    CliRun RunHere(const std::vector<std::string>& arguments, const std::string& input = "pass word\n") {
        return RunCliAt(CliPlace{root.string(), 0}, arguments, input);
    }
};

// Paths as typed in the current folder: bare names, repeats, a file inside a folder also given, links
// and missing paths named on the command line.
TEST_F(CliAsTypedTest, PathsAreTakenAsTyped) {
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        int exitCode;
        const char* summary;
        std::set<std::string> after;
    };
    const Case cases[] = {
        {"bare name", {"encrypt", "a"}, kExitDone, "converted 1, skipped 0, failed 0", {"a.ENC", "b", "dir", "dir/f"}},
        {"path given twice",
         {"encrypt", "a", "./a", "b", "a"},
         kExitDone,
         "converted 2, skipped 0, failed 0",
         {"a.ENC", "b.ENC", "dir", "dir/f"}},
        {"file inside a folder also given",
         {"encrypt", "dir/f", "./dir", "dir/../dir", "b"},
         kExitDone,
         "converted 2, skipped 0, failed 0",
         {"a", "b.ENC", "dir", "dir/f.ENC"}},
        {"link named",
         {"encrypt", "link", "a"},
         kExitFailure,
         "converted 1, skipped 0, failed 1",
         {"a.ENC", "b", "dir", "dir/f", "link"}},
        {"missing path among others",
         {"encrypt", "gone", "b"},
         kExitFailure,
         "converted 1, skipped 0, failed 1",
         {"a", "b.ENC", "dir", "dir/f"}},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        fs::remove_all(root);
        Write("a", "alpha");
        Write("b", "bravo");
        Write("dir/f", "foxtrot");
        fs::create_symlink(root / "dir", root / "link");
        std::set<std::string> after = item.after;
        after.insert("link");
        const CliRun run = RunHere([&] {
            std::vector<std::string> arguments{"--password-stdin"};
            arguments.insert(arguments.end(), item.arguments.begin(), item.arguments.end());
            return arguments;
        }());
        EXPECT_EQ(run.exitCode, item.exitCode) << run.err;
        EXPECT_NE(run.out.find(item.summary), std::string::npos) << run.out << run.err;
        EXPECT_EQ(Names(), after);
    }
    EXPECT_NE(RunHere({"--password-stdin", "encrypt", "link"}).err.find("is a link; it was not followed"),
              std::string::npos);

    // Nothing to convert: said at once, and no password is asked for.
    const CliRun none = RunHere({"decrypt", "gone.ENC", "also-gone"}, "");
    EXPECT_EQ(none.exitCode, kExitFailure);
    EXPECT_NE(none.err.find("gone.ENC: no such file or folder"), std::string::npos) << none.err;
    EXPECT_EQ(none.err.find("password"), std::string::npos) << none.err;
}

// `tolvane-cli encrypt *` in a folder that holds files named like options: nothing is converted until the
// user says which words are paths; "--" and "./" say it, and options still work after the command.
TEST_F(CliAsTypedTest, NamesThatLookLikeOptionsAreNeverTakenSilently) {
    struct Case {
        const char* file; // made beside notes.txt; nullptr: none
        std::vector<std::string> arguments;
        int exitCode;
        const char* said; // on stderr, or on stdout for a run that converts
        std::set<std::string> after;
    };
    const char* const refused = "is an option and also a file here: write ./";
    const Case cases[] = {
        {"--help",
         {"encrypt", "--help", "notes.txt"},
         kExitUsage,
         "'--help' is an option and also a file here: write ./--help for the file",
         {"--help", "notes.txt"}},
        {"-q",
         {"encrypt", "-q", "notes.txt"},
         kExitUsage,
         "'-q' is an option and also a file here: write ./-q for the file",
         {"-q", "notes.txt"}},
        {"--password-stdin",
         {"encrypt", "--password-stdin", "notes.txt"},
         kExitUsage,
         refused,
         {"--password-stdin", "notes.txt"}},
        {"--", {"encrypt", "--", "notes.txt"}, kExitUsage, refused, {"--", "notes.txt"}},
        {"-x", {"encrypt", "-x", "notes.txt"}, kExitUsage, refused, {"-x", "notes.txt"}},
        {"-q", {"encrypt", "./-q", "notes.txt"}, kExitDone, "converted 2", {"-q.ENC", "notes_txt.ENC"}},
        {"-q", {"encrypt", "--", "-q", "notes.txt"}, kExitDone, "converted 2", {"-q.ENC", "notes_txt.ENC"}},
        {"-q", {"-q", "encrypt", "notes.txt"}, kExitDone, "converted 1", {"-q", "notes_txt.ENC"}},
        {nullptr, {"encrypt", "notes.txt", "-q"}, kExitDone, "converted 1", {"notes_txt.ENC"}},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.arguments.size() > 1 ? item.arguments[1] : "");
        fs::remove_all(root);
        Write("notes.txt", "plain");
        if (item.file != nullptr) {
            Write(item.file, "also plain");
        }
        std::vector<std::string> arguments{"--password-stdin"};
        arguments.insert(arguments.end(), item.arguments.begin(), item.arguments.end());
        const CliRun run = RunHere(arguments);
        EXPECT_EQ(run.exitCode, item.exitCode) << run.err;
        EXPECT_NE((item.exitCode == kExitDone ? run.out : run.err).find(item.said), std::string::npos) << run.output();
        EXPECT_EQ(Names(), item.after);
    }
    const CliRun help = RunCli({"--help"}, "");
    EXPECT_NE(help.out.find("--                every word after it is a path"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("./-name"), std::string::npos) << help.out;
}

// `tolvane-cli encrypt DIR | head -1`: the batch goes on after its reader has gone.
TEST_F(CliAsTypedTest, ClosedOutputDoesNotStopTheBatch) {
    constexpr int kFiles = 40;
    for (int index = 0; index < kFiles; ++index) {
        Write("many/file" + std::to_string(index), std::string(1024 * 1024, 'm'));
    }
    const fs::path script = root / "pipe.sh";
    std::ofstream(script) << "printf 'pass word\\n' | '" TOLVANE_CLI_PATH "' --password-stdin encrypt '"
                          << (root / "many").string() << "' 2>/dev/null | head -1 >/dev/null\nexit ${PIPESTATUS[1]}\n";
    const int status = std::system(("bash '" + script.string() + "'").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitDone) << status;
    int containers = 0;
    for (const auto& entry : fs::directory_iterator(root / "many")) {
        containers += entry.path().extension() == ".ENC" ? 1 : 0;
    }
    EXPECT_EQ(containers, kFiles);
}

// Ctrl-C or SIGTERM in the middle of a large file: no temporary is left, the source stays as it was.
TEST_F(CliAsTypedTest, InterruptLeavesTheFileInHandAsItWas) {
    constexpr uintmax_t kLarge = 192u * 1024 * 1024;
    fs::create_directories(root / "big");
    const fs::path plain = root / "big" / "data";
    { std::ofstream(plain) << "x"; }
    fs::resize_file(plain, kLarge);
    ASSERT_EQ(RunCli({"--password-stdin", "encrypt", plain.string()}, "pass word\n").exitCode, kExitDone);
    ASSERT_EQ(RunCli({"--password-stdin", "decrypt", (root / "big" / "data.ENC").string()}, "pass word\n").exitCode,
              kExitDone);
    struct Case {
        int signalNumber;
        int exitCode;
        const char* mode;
        const char* source;
    };
    const Case cases[] = {{SIGINT, 130, "encrypt", "data"}, {SIGTERM, 143, "encrypt", "data"}};
    for (const Case& item : cases) {
        SCOPED_TRACE(item.signalNumber);
        const CliRun run = RunCliInterrupted({"--password-stdin", item.mode, (root / "big").string()}, "pass word\n",
                                             (root / "big").string(), item.signalNumber);
        EXPECT_EQ(run.exitCode, item.exitCode) << run.err;
        EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
        EXPECT_EQ(Names(), (std::set<std::string>{"big", "big/data"}));
        EXPECT_EQ(fs::file_size(plain), kLarge);
    }
    ASSERT_EQ(RunCli({"--password-stdin", "encrypt", plain.string()}, "pass word\n").exitCode, kExitDone);
    const CliRun decrypting = RunCliInterrupted({"--password-stdin", "decrypt", (root / "big").string()}, "pass word\n",
                                                (root / "big").string(), SIGINT);
    EXPECT_EQ(decrypting.exitCode, 130) << decrypting.err;
    EXPECT_EQ(Names(), (std::set<std::string>{"big", "big/data.ENC"}));

    // A path that vanishes while an earlier one is converted ends only its own pass.
    Write("big/later", "still converted");
    Write("gone", "removed meanwhile");
    const CliRun vanished =
        RunCliMeanwhile({"--password-stdin", "decrypt", (root / "big" / "data.ENC").string(), (root / "gone").string(),
                         (root / "big" / "later").string()},
                        "pass word\n", (root / "big").string(), [&](pid_t) { fs::remove(root / "gone"); });
    EXPECT_EQ(vanished.exitCode, kExitFailure) << vanished.err;
    EXPECT_NE(vanished.err.find("gone: no longer exists"), std::string::npos) << vanished.err;
    EXPECT_NE(vanished.out.find("converted 1, skipped 1, failed 1"), std::string::npos) << vanished.out;
    EXPECT_EQ(Names(), (std::set<std::string>{"big", "big/data", "big/later"}));
}

// Two runs over one folder at once: the second finds the file taken by the first and says so; no
// duplicate container, no false word of a plain file left behind.
TEST_F(CliAsTypedTest, TwoRunsAtOnceReportOnlyWhatIsTrue) {
    fs::create_directories(root / "shared");
    const fs::path plain = root / "shared" / "data";
    { std::ofstream(plain) << "x"; }
    fs::resize_file(plain, 128u * 1024 * 1024);
    CliRun second;
    const CliRun first =
        RunCliMeanwhile({"--password-stdin", "encrypt", (root / "shared").string()}, "pass word\n",
                        (root / "shared").string(), [&](pid_t) {
                            second = RunCli({"--password-stdin", "encrypt", (root / "shared").string()}, "pass word\n");
                        });
    EXPECT_EQ(first.exitCode, kExitDone) << first.err;
    EXPECT_EQ(second.exitCode, kExitFailure) << second.err;
    EXPECT_NE(second.err.find("another conversion is working on the file"), std::string::npos) << second.err;
    EXPECT_EQ((first.err + second.err).find("unencrypted"), std::string::npos);
    EXPECT_EQ(Names(), (std::set<std::string>{"shared", "shared/data.ENC"}));

    // A file with a second name stays readable under it: not protected, and said so.
    Write("linked/a", "alpha");
    fs::create_hard_link(root / "linked" / "a", root / "linked" / "b");
    const CliRun linked = RunHere({"--password-stdin", "encrypt", "linked/a"});
    EXPECT_EQ(linked.exitCode, kExitFailure);
    EXPECT_NE(linked.err.find("has 1 other name (hard link), under which it stays readable unencrypted"),
              std::string::npos)
        << linked.err;
}

// Prompts asked again after a mismatch, and a warning for a short password.
TEST_F(CliAsTypedTest, PromptsAreRetriedAndShortPasswordsWarned) {
    Write("doc", "text");
    const CliRun retried = RunCliWithPromptTerminal({"encrypt", (root / "doc").string()},
                                                    {"long enough", "typo enough", "long enough", "long enough"});
    EXPECT_EQ(retried.exitCode, kExitDone) << retried.err;
    EXPECT_NE(retried.err.find("do not match; try again"), std::string::npos) << retried.err;
    EXPECT_EQ(retried.err.find("warning"), std::string::npos) << retried.err;
    EXPECT_TRUE(fs::exists(root / "doc.ENC"));

    const CliRun shortOne = RunCli({"--password-stdin", "decrypt", (root / "doc.ENC").string()}, "long enough\n");
    EXPECT_EQ(shortOne.exitCode, kExitDone);
    const CliRun warned = RunCli({"--password-stdin", "encrypt", (root / "doc").string()}, "short\n");
    EXPECT_EQ(warned.exitCode, kExitDone);
    EXPECT_NE(warned.err.find("warning: the password is shorter than 8 characters"), std::string::npos) << warned.err;
}

// What the messages say: help and version, the reason of a failure, escaped names, one word on a wrong
// password.
TEST_F(CliAsTypedTest, MessagesSayWhyAndStayPrintable) {
    const CliRun help = RunCli({"--help"}, "");
    EXPECT_EQ(help.exitCode, kExitDone);
    for (const char* words :
         {"report_pdf.ENC", "original is deleted", "Exit status", "-q, --quiet", "1 to 32", "Latin-1", "--version"}) {
        EXPECT_NE(help.out.find(words), std::string::npos) << words;
    }
    const CliRun version = RunCli({"--version"}, "");
    EXPECT_EQ(version.exitCode, kExitDone);
    EXPECT_TRUE(version.out.starts_with("tolvane-cli 1.")) << version.out;

    // Names that hold terminal controls are shown escaped, never as escape sequences.
    Write("odd/red\x1b[31mname\x07", "colour");
    const CliRun odd = RunHere({"--password-stdin", "encrypt", "odd"});
    EXPECT_EQ(odd.exitCode, kExitDone) << odd.err;
    EXPECT_NE(odd.out.find("red\\x1b[31mname\\x07"), std::string::npos) << odd.out;
    EXPECT_EQ((odd.out + odd.err).find('\x1b'), std::string::npos);
    EXPECT_EQ((odd.out + odd.err).find('\x07'), std::string::npos);

    // A wrong password: one line per container, and once how many did not open.
    Write("odd/second", "more");
    ASSERT_EQ(RunHere({"--password-stdin", "encrypt", "odd"}).exitCode, kExitDone);
    const CliRun wrong = RunHere({"--password-stdin", "decrypt", "odd"}, "not it at all\n");
    EXPECT_EQ(wrong.exitCode, kExitFailure);
    EXPECT_NE(wrong.err.find("2 containers did not open with that password"), std::string::npos) << wrong.err;

    // A folder the user may not write to: the reason is named.
    if (const std::string why = WhyCliCannotRunAs(kNobody); !why.empty()) {
        GTEST_SKIP() << why;
    }
    Write("locked/file", "data");
    fs::permissions(root, fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(root / "locked", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
    const CliRun denied =
        RunCliAt(CliPlace{root.string(), kNobody}, {"--password-stdin", "encrypt", "locked"}, "pass word\n");
    EXPECT_EQ(denied.exitCode, kExitFailure);
    EXPECT_NE(denied.err.find("the output could not be written (permission denied); the file is unchanged"),
              std::string::npos)
        << denied.err;
}

// Each failure names its true reason, and the other paths of the command line are still converted.
TEST_F(CliAsTypedTest, FailuresNameTheirTrueReason) {
    std::string longPath;
    while (longPath.size() <= 4096) {
        longPath += "folder/";
    }
    longPath += "notes";
    // The file is written, then it or its folder marked.
    const auto flagged = [&](const char* flags, const char* name, const char* marked) {
        return [&, flags, name, marked] {
            Write(name, "data");
            if (std::system(("chattr " + std::string(flags) + " '" + At(marked) + "' 2>/dev/null").c_str()) != 0) {
                throw std::runtime_error("this file system cannot mark files with chattr");
            }
        };
    };
    struct Case {
        const char* what;
        std::function<void()> prepare; // beside notes.txt
        const char* shell;             // run before the program, as by a user's shell
        std::vector<std::string> arguments;
        int exitCode;
        const char* said;
        bool notesConverted;
        bool asNobody = false;
    };
    const Case cases[] = {
        {"path beyond PATH_MAX", [] {}, "", {longPath, "notes.txt"}, kExitFailure, ": the name is too long", true},
        {"descriptors used up", [] {}, "ulimit -n 5", {"notes.txt"}, kExitFailure, "(too many open files)", false},
        {"immutable file",
         flagged("+i", "fixed.txt", "fixed.txt"),
         "",
         {"fixed.txt", "notes.txt"},
         kExitFailure,
         "fixed.txt: the plain file could not be deleted after encryption (the file is immutable or append-only)",
         true},
        {"append-only file",
         flagged("+a", "fixed.txt", "fixed.txt"),
         "",
         {"fixed.txt"},
         kExitFailure,
         "(the file is immutable or append-only)",
         false},
        {"immutable folder",
         flagged("+i", "frozen/file", "frozen"),
         "",
         {"frozen/file", "notes.txt"},
         kExitFailure,
         "frozen/file: the output could not be written (the folder is immutable or append-only)",
         true},
        {"closed standard input",
         [] {},
         "exec <&-",
         {"notes.txt"},
         kExitUsage,
         "no password: standard input is closed",
         false},
        {"link to a folder, with a separator",
         [&] {
             Write("dir/f", "in the folder");
             fs::create_symlink(root / "dir", root / "link");
         },
         "",
         {"link/", "notes.txt"},
         kExitFailure,
         "link/: is a link; it was not followed",
         true},
        {"root folder",
         [&] {
             fs::permissions(root, fs::perms::all, fs::perm_options::add);
             ASSERT_EQ(chown(At("notes.txt").c_str(), kNobody, kNobody), 0);
         },
         "",
         {"/", "notes.txt"},
         kExitFailure,
         "/: the root of the file system is not converted",
         true,
         // As nobody, so that a refusal that ever broke could reach no file but the test's own.
         true},
    };
    std::string skipped;
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        if (kSanitizedBuild && std::string(item.shell).find("ulimit -n") != std::string::npos) {
            // The sanitizers' runtime checks memory through descriptors of its own, and reports a false
            // fault when none is left.
            skipped += std::string(item.what) + ": the sanitizer runtime needs descriptors of its own\n";
            continue;
        }
        std::system(("chattr -R -i -a '" + root.string() + "' 2>/dev/null").c_str());
        fs::remove_all(root);
        Write("notes.txt", "plain");
        try {
            item.prepare();
        } catch (const std::runtime_error& error) {
            skipped += std::string(item.what) + ": " + error.what() + "\n";
            continue;
        }
        if (const std::string why = item.asNobody ? WhyCliCannotRunAs(kNobody) : ""; !why.empty()) {
            skipped += std::string(item.what) + ": " + why + "\n";
            continue;
        }
        std::vector<std::string> arguments{"--password-stdin", "encrypt"};
        arguments.insert(arguments.end(), item.arguments.begin(), item.arguments.end());
        const CliRun run = RunCliAfterShell(CliPlace{root.string(), item.asNobody ? kNobody : 0}, item.shell, arguments,
                                            "pass word\n");
        std::system(("chattr -R -i -a '" + root.string() + "' 2>/dev/null").c_str());
        EXPECT_EQ(run.exitCode, item.exitCode) << run.err;
        EXPECT_NE(run.err.find(item.said), std::string::npos) << run.err;
        EXPECT_EQ(fs::exists(root / "notes_txt.ENC"), item.notesConverted) << run.output();
    }
    if (!skipped.empty()) {
        GTEST_SKIP() << skipped;
    }
}

// The name a file is restored under comes from inside the container: when it is hidden, or its extension
// is not the one the container's name carries, a note says so on stderr, even with -q.
TEST_F(CliAsTypedTest, SurprisingRestoredNamesAreNoted) {
    struct Case {
        const char* stored;    // the plain file's name, stored in its container
        const char* container; // the container renamed to this; nullptr: as encrypting named it
        const char* note;      // nullptr: none
    };
    const Case cases[] = {
        {".bash_profile", "holiday_photos.ENC",
         "holiday_photos.ENC was restored as .bash_profile: the restored name is hidden (it starts with a dot); its "
         "extension is not .photos, the one the container's name carries"},
        {"invoice.exe", "report_pdf.ENC", "report_pdf.ENC was restored as invoice.exe: its extension is not .pdf"},
        {".profile", nullptr, "_profile.ENC was restored as .profile: the restored name is hidden"},
        {"script.sh", "notes.ENC",
         "notes.ENC was restored as script.sh: it has the extension .sh, which the container's name does not carry"},
        {"report.pdf", nullptr, nullptr},
        {"report.pdf", "REPORT_PDF (2).ENC", nullptr},
        {"my_notes", nullptr, nullptr},
        {"notes", nullptr, nullptr},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.stored);
        fs::remove_all(root);
        Write(item.stored, "content");
        ASSERT_EQ(RunHere({"--password-stdin", "-q", "encrypt", item.stored}).exitCode, kExitDone);
        const std::string made = *NamesIn(root).begin();
        const std::string container = item.container != nullptr ? item.container : made;
        fs::rename(root / made, root / container);
        const CliRun run = RunHere({"--password-stdin", "-q", "decrypt", container});
        EXPECT_EQ(run.exitCode, kExitDone) << run.err;
        EXPECT_EQ(Names(), (std::set<std::string>{item.stored}));
        if (item.note == nullptr) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find("note: " + At(item.note)), std::string::npos) << run.err;
        }
    }
}

} // namespace
