// A folder tree of originals of mixed sizes for the crash and disk-full tests, and the survey that proves
// each original is still recoverable from whatever an interrupted batch left: its plain file intact, or a
// complete container that decrypts to it, or both; never neither, and nothing partial under a final name.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine_test_files.h"

namespace crash_test {

inline constexpr Utf16Char kPassword[] = U("kill-9 proof");
inline constexpr char kPasswordLine[] = "kill-9 proof\n";

struct OriginalFile {
    PathString folder; // relative to the root: empty, or a subfolder ending in a separator
    PathString name;
    Bytes bytes;
};

// Sizes around the block and chunk boundaries, an empty file, names with no or several dots, a subfolder.
// sizeScale below 1 shrinks the large ones (for tests that visit every crash point).
std::vector<OriginalFile> MixedOriginals(double sizeScale = 1.0);

// True when name is original itself or the free-name form the engine makes when it is taken: " (n)" before
// the last dot that does not start the name, or at the end.
bool IsNameOrDuplicate(PathView name, PathView original);

// What one look at the tree found.
struct Survey {
    std::vector<std::string> problems; // empty when every original is recoverable and nothing is partial
    int plainFiles = 0;                // files holding an original's bytes (duplicates included)
    int containers = 0;                // complete containers that decrypt to an original
    int temporaries = 0;               // engine temporary names
    int duplicates = 0;                // plain files or containers beyond the first for one original
    int setAside = 0;                  // sources a killed run had set aside just before their deletion
};

enum class FinalState {
    Any,       // after a kill: any mix, temporaries allowed
    Encrypted, // after a finished encrypt batch: only containers (and the empty original), no temporaries
    Decrypted, // after a finished decrypt batch: every original under its own name, no container, no temporary
};

class CrashFolder {
public:
    CrashFolder(PathString root, std::vector<OriginalFile> originals);

    const PathString& root() const { return m_root; }
    const std::vector<OriginalFile>& originals() const { return m_originals; }

    // Writes every original (the subfolders must not exist yet).
    bool WriteOriginals() const;

    Survey Inspect(FinalState expected);

private:
    // The original (of the folder) that a complete container decrypts to, or -1.
    int ContainerOriginal(const PathString& folder, const Bytes& bytes);

    PathString m_root;
    std::vector<OriginalFile> m_originals;
    TempFolder m_scratch{"crash-scratch", FastTempBase()};
};

std::string Describe(const Survey& survey);

} // namespace crash_test
