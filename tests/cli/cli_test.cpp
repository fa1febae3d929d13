// tolvane-cli as a user meets it: refusals and exit statuses, per-file lines and the summary, whole folder
// trees there and back, the status line only on a terminal, and the hidden password prompt.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include <unistd.h>

#include "cli_folder_test.h"
#include "cli_runner.h"
#include "container.h"

namespace {

using CliTest = CliFolderTest;

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"encrypt"}, {"shred", At("x")}, {"--loud", "encrypt", At("x")}, {"--password-stdin"}};
    for (const auto& arguments : cases) {
        const CliRun run = RunCli(arguments, "secret\n");
        EXPECT_EQ(run.exitCode, kExitUsage) << run.err;
        EXPECT_NE(run.err.find("usage: tolvane-cli"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(RunCli({"--help"}, "").exitCode, kExitDone);
}

TEST_F(CliTest, RefusedPasswordsChangeNothing) {
    struct Case {
        const char* mode;
        std::string input;
        const char* reason;
    };
    const Case cases[] = {
        {"encrypt", "\n", "empty"},
        {"encrypt", "", "empty"},
        {"decrypt", "\r\n", "empty"},
        {"encrypt", std::string(33, 'p') + "\n", "longer than 32"},
        {"decrypt", std::string(33, 'p') + "\n", "longer than 32"},
        {"decrypt", std::string(100000, 'p') + "\n", "longer than 32"}, // more than the line buffer holds
        {"encrypt", "\xE5\xAF\x86\xE7\xA0\x81\n", "beyond U+00FF"},     // two Chinese characters
        {"encrypt", "abc\xE2\x82\xAC\n", "beyond U+00FF"},              // a euro sign after Latin letters
        {"encrypt",
         "ab\xFF"
         "cd\n",
         "not valid UTF-8"},
    };
    Write("plain.txt", "keep me");
    for (const Case& item : cases) {
        SCOPED_TRACE(item.input);
        const CliRun run = RunCli({"--password-stdin", item.mode, At("plain.txt")}, item.input);
        EXPECT_EQ(run.exitCode, kExitUsage);
        EXPECT_NE(run.err.find(item.reason), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(), (std::map<std::string, std::string>{{"plain.txt", "keep me"}}));
    }
}

TEST_F(CliTest, AcceptsLongestPasswordAndAnyTextForDecrypting) {
    Write("plain.txt", "keep me");
    const std::string longest(32, 'p');
    EXPECT_EQ(RunCli({"--password-stdin", "encrypt", At("plain.txt")}, longest + "\n").exitCode, kExitDone);
    EXPECT_EQ(RunCli({"--password-stdin", "decrypt", At("plain_txt.ENC")}, longest + "\r\n").exitCode, kExitDone);
    EXPECT_EQ(Read("plain.txt"), "keep me");

    // Decrypting accepts a password the key rule cannot use fully: such containers exist.
    const CliRun chinese = RunCli({"--password-stdin", "decrypt", At("plain.txt")}, "\xE5\xAF\x86\n");
    EXPECT_EQ(chinese.exitCode, kExitDone) << chinese.err;
    EXPECT_NE(chinese.out.find("skipped: " + At("plain.txt")), std::string::npos) << chinese.out;
}

TEST_F(CliTest, FolderTreeRoundTrip) {
    Write("docs/report.txt", "quarterly numbers");
    Write("docs/deep/er/notes.md", "# notes");
    Write("docs/deep/empty.dat", "");
    Write("photo.jpg", std::string(3 * 1024 * 1024 + 5, 'j'));
    const auto original = Snapshot();

    const CliRun encrypting = RunCli({"--password-stdin", "encrypt", At("docs"), At("photo.jpg")}, "tree pass\n");
    EXPECT_EQ(encrypting.exitCode, kExitDone) << encrypting.err;
    EXPECT_NE(encrypting.out.find("converted 3, skipped 1, failed 0"), std::string::npos) << encrypting.out;
    EXPECT_NE(encrypting.out.find("encrypted: " + At("docs/report.txt") + " -> " + At("docs/report_txt.ENC")),
              std::string::npos);
    EXPECT_NE(encrypting.out.find("skipped: " + At("docs/deep/empty.dat") + " (empty file)"), std::string::npos);
    EXPECT_EQ(encrypting.err, "");
    const auto encrypted = Snapshot();
    EXPECT_EQ(encrypted.size(), original.size());
    for (const auto& [name, content] : encrypted) {
        EXPECT_TRUE(name.ends_with(".ENC") || name == "docs/deep/empty.dat") << name;
    }

    // Encrypting again passes every container over.
    const CliRun again = RunCli({"--password-stdin", "--quiet", "encrypt", At("docs")}, "tree pass\n");
    EXPECT_EQ(again.exitCode, kExitDone);
    EXPECT_EQ(again.out, "converted 0, skipped 3, failed 0\n");
    EXPECT_EQ(Snapshot(), encrypted);

    const CliRun decrypting = RunCli({"--password-stdin", "decrypt", At("docs"), At("photo_jpg.ENC")}, "tree pass\n");
    EXPECT_EQ(decrypting.exitCode, kExitDone) << decrypting.err;
    EXPECT_NE(decrypting.out.find("converted 3, skipped 1, failed 0"), std::string::npos) << decrypting.out;
    EXPECT_EQ(Snapshot(), original);
}

TEST_F(CliTest, WrongPasswordIsAFailure) {
    Write("a.txt", "alpha");
    Write("b.txt", "bravo");
    ASSERT_EQ(RunCli({"--password-stdin", "encrypt", At("a.txt"), At("b.txt")}, "right\n").exitCode, kExitDone);
    const CliRun run = RunCli({"--password-stdin", "decrypt", root.string()}, "wrong\n");
    EXPECT_EQ(run.exitCode, kExitFailure);
    EXPECT_NE(run.err.find("failed: " + At("a_txt.ENC") + ": wrong password"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("converted 0, skipped 0, failed 2"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(root / "a_txt.ENC"));
}

// In a folder's batch a container that does not open ends only itself: the others of the batch are
// decrypted, it stays as it was.
TEST_F(CliTest, WrongPasswordInsideABatchEndsOnlyThatContainer) {
    for (int index = 0; index < 12; ++index) {
        Write(std::string("f").append(std::to_string(index)) + ".txt",
              std::string("file ").append(std::to_string(index)));
    }
    Write("other.txt", "someone else's");
    ASSERT_EQ(RunCli({"--password-stdin", "encrypt", At("other.txt")}, "theirs\n").exitCode, kExitDone);
    const std::string theirs = Read("other_txt.ENC");
    ASSERT_EQ(RunCli({"--password-stdin", "encrypt", root.string()}, "right\n").exitCode, kExitDone);

    const CliRun run = RunCli({"--password-stdin", "decrypt", root.string()}, "right\n");
    EXPECT_EQ(run.exitCode, kExitFailure);
    EXPECT_NE(run.err.find("failed: " + At("other_txt.ENC") + ": wrong password"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("converted 12, skipped 0, failed 1"), std::string::npos) << run.out;
    EXPECT_EQ(Read("other_txt.ENC"), theirs);
    for (int index = 0; index < 12; ++index) {
        EXPECT_EQ(Read(std::string("f").append(std::to_string(index)) + ".txt"),
                  std::string("file ").append(std::to_string(index)));
    }
    EXPECT_EQ(Names().size(), 13u);
}

// Outputs the program holds open in folder, not yet named.
int UnnamedOutputsOf(pid_t child, const std::string& folder) {
    int outputs = 0;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(std::string("/proc/").append(std::to_string(child)) + "/fd", error)) {
        const std::string target = fs::read_symlink(entry.path(), error).string();
        outputs += target.starts_with(folder) && target.ends_with("(deleted)") ? 1 : 0;
    }
    return outputs;
}

// Ctrl-C while a batch holds outputs that are complete: those files are finished (their containers named,
// their plain files deleted) and reported, the file in hand is left as it was, nothing more is started, and
// every file is in exactly one complete form.
TEST_F(CliTest, InterruptInsideABatchFinishesTheCompleteOutputs) {
    constexpr int kFiles = 20;
    std::map<std::string, std::string> original;
    for (int index = 0; index < kFiles; ++index) {
        std::string bytes(3 << 20, static_cast<char>('a' + index));
        const std::string name = std::string("part ").append(std::to_string(index)) + ".bin";
        Write(name, bytes);
        original[name] = std::move(bytes);
    }
    const CliRun run =
        RunCliMeanwhile({"--password-stdin", "encrypt", root.string()}, "pass word\n", root.string(), [&](pid_t child) {
            // The second output open means the first is complete and waits.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (UnnamedOutputsOf(child, root.string()) < 2 && std::chrono::steady_clock::now() < deadline) {
                usleep(100);
            }
            kill(child, SIGINT);
        });
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
    int encrypted = 0;
    for (const auto& [name, bytes] : original) {
        const fs::path container = root / (name.substr(0, name.size() - 4) + "_bin.ENC");
        const bool plain = fs::exists(root / name);
        EXPECT_NE(plain, fs::exists(container)) << name << ": in exactly one form";
        if (!plain) {
            ++encrypted;
            EXPECT_NE(run.out.find("encrypted: " + At(name) + " -> " + container.string()), std::string::npos)
                << run.out;
        }
    }
    EXPECT_GE(encrypted, 1) << "the complete output waiting in the batch was finished";
    EXPECT_LT(encrypted, kFiles) << "the run went on after the interrupt";
    EXPECT_NE(run.out.find(std::string("converted ").append(std::to_string(encrypted)) + ","), std::string::npos)
        << run.out;

    ASSERT_EQ(RunCli({"--password-stdin", "decrypt", root.string()}, "pass word\n").exitCode, kExitDone);
    EXPECT_EQ(Snapshot(), original);
}

TEST_F(CliTest, MissingPathIsReportedAndTheRestConverted) {
    Write("here.txt", "present");
    const CliRun run = RunCli({"--password-stdin", "encrypt", At("gone.txt"), At("here.txt")}, "pw\n");
    EXPECT_EQ(run.exitCode, kExitFailure);
    EXPECT_NE(run.err.find(At("gone.txt") + ": no such file or folder"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("converted 1, skipped 0, failed 1"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(root / "here_txt.ENC"));
}

// A file whose plain source cannot be deleted stays readable in the clear: a failure, not a success.
TEST_F(CliTest, PlainFileLeftBehindIsAFailure) {
    Write("stuck.txt", "secret");
    if (std::system(("chattr +a '" + At("stuck.txt") + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "this file system cannot make a file undeletable (chattr +a)";
    }
    const CliRun run = RunCli({"--password-stdin", "encrypt", At("stuck.txt")}, "pw\n");
    std::system(("chattr -a '" + At("stuck.txt") + "'").c_str());
    EXPECT_EQ(run.exitCode, kExitFailure);
    EXPECT_NE(run.err.find("still there unencrypted"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("failed 1"), std::string::npos) << run.out;
}

TEST_F(CliTest, StatusLineOnlyOnATerminal) {
    for (int index = 0; index < 3; ++index) {
        std::string name("f");
        name += std::to_string(index);
        Write(name, std::string(2 * 1024 * 1024, 'x'));
    }
    const CliRun plain = RunCli({"--password-stdin", "encrypt", root.string()}, "pass word\n");
    EXPECT_EQ(plain.exitCode, kExitDone);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(plain.out.find('\r'), std::string::npos);

    const CliRun shown = RunCliWithTerminalStderr({"--password-stdin", "decrypt", root.string()}, "pass word\n");
    EXPECT_EQ(shown.exitCode, kExitDone);
    EXPECT_NE(shown.terminal.find("\rTotal files: 3  Finished files: 2  Total progress: 66%"), std::string::npos)
        << shown.terminal;
    EXPECT_NE(shown.terminal.find("Current progress: "), std::string::npos);

    const CliRun quiet =
        RunCliWithTerminalStderr({"--password-stdin", "--quiet", "encrypt", root.string()}, "pass word\n");
    EXPECT_EQ(quiet.exitCode, kExitDone);
    EXPECT_EQ(quiet.terminal.find("Total files"), std::string::npos) << quiet.terminal;
    EXPECT_EQ(quiet.out, "converted 3, skipped 0, failed 0\n");
}

TEST_F(CliTest, TerminalPromptHidesThePasswordAndAsksTwiceForEncrypting) {
    Write("doc.txt", "text");
    const CliRun mismatch = RunCliWithPromptTerminal(
        {"encrypt", At("doc.txt")}, {"first try", "second try", "first try", "second try", "first try", "2nd try"});
    EXPECT_EQ(mismatch.exitCode, kExitUsage);
    EXPECT_NE(mismatch.err.find("do not match"), std::string::npos) << mismatch.err;
    EXPECT_EQ(mismatch.terminal.find("try"), std::string::npos) << mismatch.terminal;
    EXPECT_TRUE(fs::exists(root / "doc.txt"));

    const CliRun matching = RunCliWithPromptTerminal({"encrypt", At("doc.txt")}, {"same one", "same one"});
    EXPECT_EQ(matching.exitCode, kExitDone) << matching.err;
    EXPECT_NE(matching.terminal.find("New password: "), std::string::npos);
    EXPECT_NE(matching.terminal.find("Repeat password: "), std::string::npos);
    EXPECT_EQ(matching.terminal.find("same"), std::string::npos) << matching.terminal;

    const CliRun decrypting = RunCliWithPromptTerminal({"decrypt", At("doc_txt.ENC")}, {"same one"});
    EXPECT_EQ(decrypting.exitCode, kExitDone) << decrypting.err;
    EXPECT_EQ(Read("doc.txt"), "text");

    // Without any terminal the prompt cannot be shown.
    const CliRun detached = RunCli({"decrypt", At("doc.txt")}, "");
    EXPECT_EQ(detached.exitCode, kExitUsage);
    EXPECT_NE(detached.err.find("--password-stdin"), std::string::npos) << detached.err;
}

} // namespace
