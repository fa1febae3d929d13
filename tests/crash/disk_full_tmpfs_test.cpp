// A real full disk: a small tmpfs mounted for the test, on which tolvane-cli encrypts and decrypts files
// that do not fit. Needs the right to mount (the tests run as root); without it the test is skipped and
// the fault-injection variant (disk_full_faults_test.cpp) stands in.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_runner.h"
#include "crash_folder.h"

namespace {

using namespace crash_test;
using Names = std::vector<PathString>;

constexpr size_t kMiB = 1024 * 1024;
constexpr char kOutputFailedWords[] =
    "the output could not be written (no space left on the disk); the file is unchanged";

class SmallDisk {
public:
    explicit SmallDisk(size_t bytes) {
        // Not below /dev/shm: the command line refuses to encrypt what lies inside /dev.
        std::string pattern = std::filesystem::temp_directory_path().string() + "/tolvane-small-disk-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            m_problem = std::strerror(errno);
            return;
        }
        m_mountPoint = pattern;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
        if (::mount("tolvane-small-disk", m_mountPoint.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            m_problem = std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk() {
        if (m_mounted) {
            ::umount2(m_mountPoint.c_str(), MNT_DETACH);
        }
        if (!m_mountPoint.empty()) {
            ::rmdir(m_mountPoint.c_str());
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& problem() const { return m_problem; }
    PathString path() const { return m_mountPoint + "/"; }

private:
    std::string m_mountPoint;
    std::string m_problem;
    bool m_mounted = false;
};

std::vector<std::string> Command(const char* command, const PathString& path) {
    return {"--password-stdin", command, path};
}

bool HasLine(const std::string& output, const std::string& line) {
    return output.find(line + "\n") != std::string::npos;
}

TEST(DiskFullTmpfs, EncryptOfAFileThatDoesNotFitFailsAndKeepsIt) {
    SmallDisk disk(6 * kMiB);
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.problem() << ")";
    }
    const Bytes big = PatternBytes(4 * kMiB, 41);
    const Bytes small = PatternBytes(3000, 42);
    ASSERT_TRUE(WriteBytes(disk.path() + "big.bin", big));
    ASSERT_TRUE(WriteBytes(disk.path() + "small.txt", small));

    const CliRun end = RunCli(Command("encrypt", disk.path().substr(0, disk.path().size() - 1)), kPasswordLine);
    EXPECT_EQ(end.exitCode, 1) << end.output();
    EXPECT_TRUE(HasLine(end.output(), "failed: " + disk.path() + "big.bin: " + kOutputFailedWords)) << end.output();
    EXPECT_TRUE(HasLine(end.output(), "converted 1, skipped 0, failed 1")) << end.output();
    EXPECT_EQ(ListNames(disk.path()), (Names{"big.bin", "small_txt.ENC"})) << "no partial output, no temporary";
    EXPECT_EQ(ReadBytes(disk.path() + "big.bin"), big);

    // The container that did fit is complete.
    ASSERT_EQ(DecryptOneFile((disk.path() + "small_txt.ENC").c_str(), kPassword), 1);
    EXPECT_EQ(ReadBytes(disk.path() + "small.txt"), small);
}

TEST(DiskFullTmpfs, DecryptOfAContainerThatDoesNotFitFailsAndKeepsIt) {
    SmallDisk disk(8 * kMiB);
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.problem() << ")";
    }
    const Bytes plain = PatternBytes(3 * kMiB + 5, 43);
    // Made where there is room, then brought in.
    TempFolder elsewhere("elsewhere", FastTempBase());
    ASSERT_TRUE(WriteBytes(elsewhere / "data.bin", plain));
    ASSERT_EQ(EncryptOneFile((elsewhere / "data.bin").c_str(), kPassword), 1);
    const auto container = ReadBytes(elsewhere / "data_bin.ENC");
    ASSERT_TRUE(container);
    ASSERT_TRUE(WriteBytes(disk.path() + "data_bin.ENC", *container));
    // Leaves less room than the plain data needs.
    ASSERT_TRUE(WriteBytes(disk.path() + "filler", PatternBytes(3 * kMiB, 44)));

    const CliRun end = RunCli(Command("decrypt", disk.path() + "data_bin.ENC"), kPasswordLine);
    EXPECT_EQ(end.exitCode, 1) << end.output();
    EXPECT_TRUE(HasLine(end.output(), "failed: " + disk.path() + "data_bin.ENC: " + kOutputFailedWords))
        << end.output();
    EXPECT_EQ(ListNames(disk.path()), (Names{"data_bin.ENC", "filler"})) << "no partial output, no temporary";
    EXPECT_EQ(ReadBytes(disk.path() + "data_bin.ENC"), container);

    // With room made, a later batch finishes the job.
    ASSERT_EQ(::unlink((disk.path() + "filler").c_str()), 0);
    const CliRun again = RunCli(Command("decrypt", disk.path() + "data_bin.ENC"), kPasswordLine);
    EXPECT_EQ(again.exitCode, 0) << again.output();
    EXPECT_EQ(ListNames(disk.path()), Names{"data.bin"});
    EXPECT_EQ(ReadBytes(disk.path() + "data.bin"), plain);
}

} // namespace
