// tolvane-cli never encrypts a home folder itself, or a folder that holds one, and says why; it goes on
// with the other paths and ends with exit 1. The home folder is the test's own ($HOME redirected), so a
// failing refusal touches nothing of the system's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_runner.h"
#include "temp_folder.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

TEST(CliSystemFolders, AHomeFolderIsNotEncryptedAndTheRestIs) {
    TempFolder tree("system-folders");
    const fs::path home = tree.root() / "users" / "me";
    ASSERT_TRUE(MakeFolder(home / "Documents"));
    ASSERT_TRUE(WriteBytes(home / ".profile", "settings"));
    ASSERT_TRUE(WriteBytes(home / "Documents" / "letter.txt", "letter"));
    ASSERT_TRUE(WriteBytes(tree.root() / "other.txt", "other"));
    const std::string setup = "export HOME='" + home.string() + "'";
    struct Row {
        const char* what;
        fs::path path;
    };
    const Row rows[] = {{"the home folder", home}, {"a folder that holds it", tree.root() / "users"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CliRun run = RunCliAfterShell(
            CliPlace{}, setup, {"--password-stdin", "encrypt", row.path.string(), (tree.root() / "other.txt").string()},
            "pass word\n");
        EXPECT_EQ(run.exitCode, 1) << run.output();
        EXPECT_NE(run.output().find(row.path.string() + ": not encrypted: " + home.string() +
                                    " is a home folder, whose settings programs need"),
                  std::string::npos)
            << run.output();
        EXPECT_EQ(ReadText(home / ".profile"), "settings");
        EXPECT_EQ(ReadText(home / "Documents" / "letter.txt"), "letter");
        // The other path of the line was converted; back for the next row.
        ASSERT_TRUE(fs::exists(tree.root() / "other_txt.ENC")) << run.output();
        RunCli({"--password-stdin", "decrypt", (tree.root() / "other_txt.ENC").string()}, "pass word\n");
    }
    // A folder inside the home folder is the user's own.
    const CliRun own = RunCliAfterShell(CliPlace{}, setup,
                                        {"--password-stdin", "encrypt", (home / "Documents").string()}, "pass word\n");
    EXPECT_EQ(own.exitCode, 0) << own.output();
    EXPECT_FALSE(fs::exists(home / "Documents" / "letter.txt"));
}

} // namespace
