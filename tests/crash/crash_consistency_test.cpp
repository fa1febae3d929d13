// tolvane-cli killed with SIGKILL at random moments while it encrypts, then decrypts, a folder of files of
// mixed sizes and a folder of many small ones, which the program converts in batches (so that kills land
// between a batch's writes, flushes, moves and deletions). After every kill each original is still
// recoverable, and a later batch finishes the job and leaves no temporary behind. Bounded in rounds and
// time; the seed is printed so a failure can be repeated with TOLVANE_CRASH_SEED.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "cli_runner.h"
#include "crash_folder.h"

namespace {

using namespace crash_test;
using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr int kMaxRounds = 40;
constexpr auto kMaxTime = std::chrono::seconds(45);
// Rounds of one command in a row: each continues where the killed one before it stopped. The command
// changes sooner when a run ends by itself, nothing being left for it to do.
constexpr int kRoundsPerCommand = 4;
// Starting the program and reading the password, before any file is touched.
constexpr microseconds kStartUp(3000);

uint64_t ChosenSeed() {
    if (const char* given = std::getenv("TOLVANE_CRASH_SEED"); given != nullptr && *given != 0) {
        return std::strtoull(given, nullptr, 10);
    }
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

// The mixed originals and a folder of more small files than one batch holds.
std::vector<OriginalFile> KillOriginals() {
    std::vector<OriginalFile> originals = MixedOriginals();
    for (uint32_t index = 0; index < 150; ++index) {
        originals.push_back(OriginalFile{"many/", std::string("small ").append(std::to_string(index)) + ".txt",
                                         PatternBytes(1024 + index * 97, index)});
    }
    return originals;
}

std::vector<std::string> Command(const char* command, const PathString& root) {
    return {"--quiet", "--password-stdin", command, root};
}

TEST(CrashConsistency, KilledBatchesLoseNothingAndALaterBatchFinishes) {
    const uint64_t seed = ChosenSeed();
    std::printf("crash rounds: seed %llu (TOLVANE_CRASH_SEED=%llu repeats this run)\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
    RecordProperty("seed", std::to_string(seed));
    std::mt19937_64 random(seed);

    // How long whole batches take here, so that the kills fall anywhere across them.
    microseconds encryptSpan{0};
    microseconds decryptSpan{0};
    {
        TempFolder calibration;
        CrashFolder tree(calibration.path(), KillOriginals());
        ASSERT_TRUE(tree.WriteOriginals());
        const CliRun encrypted = RunCli(Command("encrypt", calibration.path()), kPasswordLine);
        ASSERT_EQ(encrypted.exitCode, 0) << encrypted.output();
        const CliRun decrypted = RunCli(Command("decrypt", calibration.path()), kPasswordLine);
        ASSERT_EQ(decrypted.exitCode, 0) << decrypted.output();
        encryptSpan = encrypted.ran * 5 / 4;
        decryptSpan = decrypted.ran * 5 / 4;
    }

    TempFolder work;
    CrashFolder tree(work.path(), KillOriginals());
    ASSERT_TRUE(tree.WriteOriginals());
    int killed = 0;
    int temporariesSeen = 0;
    int duplicatesSeen = 0;
    int round = 0;
    bool encrypting = true;
    int roundsOfCommand = 0;
    double workLeft = 1.0; // share of the files the next run of the command has to convert
    const auto start = Clock::now();
    for (; round < kMaxRounds && Clock::now() - start < kMaxTime; ++round) {
        const microseconds span = std::chrono::duration_cast<microseconds>((encrypting ? encryptSpan : decryptSpan) *
                                                                           std::max(workLeft, 0.1)) +
                                  kStartUp;
        const microseconds delay(std::uniform_int_distribution<int64_t>(1, span.count())(random));
        const CliRun end =
            RunCliKilledAfter(Command(encrypting ? "encrypt" : "decrypt", work.path()), kPasswordLine, delay);
        const std::string what = "round " + std::to_string(round) + (encrypting ? " encrypt" : " decrypt") +
                                 ", kill after " + std::to_string(delay.count()) + " us, seed " + std::to_string(seed);
        if (end.killed) {
            ++killed;
        } else {
            ASSERT_EQ(end.exitCode, 0) << what << "\n" << end.output();
        }
        const Survey survey = tree.Inspect(FinalState::Any);
        ASSERT_TRUE(survey.problems.empty()) << what << ": " << Describe(survey);
        temporariesSeen += survey.temporaries;
        duplicatesSeen = survey.duplicates;

        if (!end.killed || ++roundsOfCommand == kRoundsPerCommand) {
            encrypting = !encrypting;
            roundsOfCommand = 0;
        }
        const double files = static_cast<double>(survey.plainFiles + survey.containers);
        workLeft = (encrypting ? survey.plainFiles : survey.containers) / std::max(files, 1.0);
    }
    std::printf("%d rounds, %d killed mid-way, %d temporaries seen after kills, %d duplicates at the end\n", round,
                killed, temporariesSeen, duplicatesSeen);
    EXPECT_GT(killed, 0) << "no kill landed inside a batch";

    // Nothing holds the tree now: a finished batch converts the rest and removes every leftover temporary.
    const CliRun encrypted = RunCli(Command("encrypt", work.path()), kPasswordLine);
    EXPECT_EQ(encrypted.exitCode, 0) << encrypted.output();
    Survey survey = tree.Inspect(FinalState::Encrypted);
    EXPECT_TRUE(survey.problems.empty()) << "after the final encrypt, seed " << seed << ": " << Describe(survey);
    const CliRun decrypted = RunCli(Command("decrypt", work.path()), kPasswordLine);
    EXPECT_EQ(decrypted.exitCode, 0) << decrypted.output();
    survey = tree.Inspect(FinalState::Decrypted);
    EXPECT_TRUE(survey.problems.empty()) << "after the final decrypt, seed " << seed << ": " << Describe(survey);
}

} // namespace
