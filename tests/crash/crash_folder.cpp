// The originals of the crash tests and the survey of what an interrupted batch left (see crash_folder.h).
#include "crash_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "enc_format.h"
#include "path_parts.h"
#include "temp_files.h"

namespace crash_test {

namespace {

constexpr size_t kMiB = ENC_CHUNK_SIZE;

size_t Scaled(size_t size, double scale) {
    return scale >= 1.0 ? size : static_cast<size_t>(static_cast<double>(size) * scale);
}

bool IsFolder(const PathString& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const PathString& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void EmptyFolder(const PathString& folder) {
    for (const PathString& name : ListNames(folder)) {
        ::unlink((folder + name).c_str());
    }
}

} // namespace

std::vector<OriginalFile> MixedOriginals(double sizeScale) {
    struct Row {
        const char* folder;
        const char* name;
        size_t size;
        bool scales;
    };
    const Row rows[] = {
        {"", "empty.dat", 0, false},
        {"", "one.txt", 1, false},
        {"", "block.bin", 16, false},
        {"", "block and one.bin", 17, false},
        {"", "no-extension", 4000, false},
        {"", "several.dots.in.name.txt", 70000, false},
        {"", "below chunk.bin", kMiB - 1, false},
        {"", "chunk.bin", kMiB, false},
        {"", "above chunk.bin", kMiB + 1, false},
        {"", "two chunks.bin", 2 * kMiB, true},
        {"", "large.dat", 3 * kMiB + 7, true},
        {"sub/", "inner.txt", 20000, false},
        {"sub/", "inner large.bin", 2 * kMiB - 5, true},
    };
    std::vector<OriginalFile> originals;
    uint32_t seed = 100;
    for (const Row& row : rows) {
        const size_t size = row.scales ? Scaled(row.size, sizeScale) : row.size;
        originals.push_back(OriginalFile{row.folder, row.name, PatternBytes(size, ++seed)});
    }
    return originals;
}

bool IsNameOrDuplicate(PathView name, PathView original) {
    const size_t dot = original.rfind('.');
    const bool hasExtension = dot != PathView::npos && dot > 0;
    const PathView stem = hasExtension ? original.substr(0, dot) : original;
    const PathView extension = hasExtension ? original.substr(dot) : PathView();
    if (name.size() < extension.size() || name.substr(name.size() - extension.size()) != extension) {
        return false;
    }
    // A duplicate of a duplicate (a copy left by one kill, then taken again) carries one " (n)" per step.
    PathView body = name.substr(0, name.size() - extension.size());
    while (body != stem) {
        const size_t open = body.rfind(PathView(" ("));
        if (open == PathView::npos || body.back() != ')') {
            return false;
        }
        const PathView digits = body.substr(open + 2, body.size() - open - 3);
        const bool number =
            !digits.empty() && digits[0] >= '1' && digits != "1" &&
            std::all_of(digits.begin(), digits.end(), [](PathChar unit) { return unit >= '0' && unit <= '9'; });
        if (!number) {
            return false;
        }
        body = body.substr(0, open);
    }
    return true;
}

CrashFolder::CrashFolder(PathString root, std::vector<OriginalFile> originals)
    : m_root(std::move(root)), m_originals(std::move(originals)) {}

bool CrashFolder::WriteOriginals() const {
    std::set<PathString> made;
    for (const OriginalFile& original : m_originals) {
        if (!original.folder.empty() && made.insert(original.folder).second && !MakeFolder(m_root + original.folder)) {
            return false;
        }
        if (!WriteBytes(m_root + original.folder + original.name, original.bytes)) {
            return false;
        }
    }
    return true;
}

namespace {

size_t ContentHash(const Bytes& bytes) {
    return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace

int CrashFolder::ContainerOriginal(const PathString& folder, const Bytes& bytes) {
    // What a container decrypts to, keyed by its content: the same container turns up in round after round,
    // and in tree after tree. An empty name stands for a container that does not open.
    struct Restored {
        PathString name;
        size_t size = 0;
        size_t hash = 0;
    };
    static std::map<std::pair<size_t, size_t>, Restored> decrypted;
    const auto key = std::make_pair(bytes.size(), ContentHash(bytes));
    auto known = decrypted.find(key);
    if (known == decrypted.end()) {
        // A copy is decrypted, so that the survey never changes the tree it looks at.
        Restored restored;
        const PathString probe = m_scratch / "probe.ENC";
        if (WriteBytes(probe, bytes)) {
            const ConvertResult result = DecryptFromContainer(probe.c_str(), kPassword);
            const auto plain = ReadBytes(result.outputPath);
            if (result.outcome == ConvertOutcome::Converted && plain) {
                restored =
                    Restored{result.outputPath.substr(m_scratch.path().size()), plain->size(), ContentHash(*plain)};
            }
        }
        EmptyFolder(m_scratch.path());
        known = decrypted.emplace(key, restored).first;
    }
    const Restored& restored = known->second;
    // The stored name may be a duplicate's: a plain copy left by an earlier kill, then encrypted itself.
    for (size_t index = 0; index < m_originals.size() && !restored.name.empty(); ++index) {
        const OriginalFile& original = m_originals[index];
        if (original.folder == folder && IsNameOrDuplicate(restored.name, original.name) &&
            original.bytes.size() == restored.size && ContentHash(original.bytes) == restored.hash) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

Survey CrashFolder::Inspect(FinalState expected) {
    Survey survey;
    std::vector<int> plainCopies(m_originals.size(), 0);
    std::vector<int> containerCopies(m_originals.size(), 0);
    std::vector<int> setAsideCopies(m_originals.size(), 0); // reported by every later batch, never deleted
    std::set<PathString> folders;
    for (const OriginalFile& original : m_originals) {
        folders.insert(original.folder);
    }
    for (const PathString& folder : folders) {
        for (const PathString& name : ListNames(m_root + folder)) {
            const PathString path = m_root + folder + name;
            if (IsFolder(path) && folders.count(folder + name + "/") != 0) {
                continue;
            }
            // A source set aside just before its deletion is the whole file as it was read, kept for good: a
            // copy like any other, under a name no batch converts.
            const bool setAside = IsSetAsideName(name);
            if (IsEngineTempName(name) && !setAside) {
                ++survey.temporaries;
                if (expected != FinalState::Any) {
                    survey.problems.push_back(path + ": engine temporary left after a finished batch");
                }
                continue;
            }
            if (!IsRegularFile(path)) {
                survey.problems.push_back(path + ": not a regular file");
                continue;
            }
            const auto bytes = ReadBytes(path);
            int plainOf = -1;
            for (size_t index = 0; index < m_originals.size() && bytes; ++index) {
                const OriginalFile& original = m_originals[index];
                if (original.folder == folder && (setAside || IsNameOrDuplicate(name, original.name)) &&
                    *bytes == original.bytes) {
                    plainOf = static_cast<int>(index);
                }
            }
            if (plainOf >= 0 && setAside) {
                ++setAsideCopies[static_cast<size_t>(plainOf)];
                ++survey.setAside;
                continue;
            }
            if (plainOf >= 0) {
                ++plainCopies[static_cast<size_t>(plainOf)];
                ++survey.plainFiles;
                continue;
            }
            const int containerOf =
                (setAside || IsContainerName(name)) && bytes ? ContainerOriginal(folder, *bytes) : -1;
            if (containerOf >= 0 && setAside) {
                ++setAsideCopies[static_cast<size_t>(containerOf)];
                ++survey.setAside;
                continue;
            }
            if (containerOf >= 0) {
                ++containerCopies[static_cast<size_t>(containerOf)];
                ++survey.containers;
                continue;
            }
            survey.problems.push_back(path + ": under a final name but neither an original nor a complete container (" +
                                      std::to_string(bytes ? bytes->size() : 0) + " bytes)");
        }
    }
    for (size_t index = 0; index < m_originals.size(); ++index) {
        const OriginalFile& original = m_originals[index];
        const std::string where = m_root + original.folder + original.name;
        const int copies = plainCopies[index] + containerCopies[index];
        survey.duplicates += copies > 1 ? copies - 1 : 0;
        if (copies + setAsideCopies[index] == 0) {
            survey.problems.push_back(where + ": LOST (no plain file and no container holds it)");
            continue;
        }
        if (expected == FinalState::Encrypted && !original.bytes.empty() && plainCopies[index] > 0) {
            survey.problems.push_back(where + ": still in the clear after a finished encrypt batch");
        }
        if (expected == FinalState::Decrypted) {
            if (containerCopies[index] > 0) {
                survey.problems.push_back(where + ": still encrypted after a finished decrypt batch");
            }
            if (ReadBytes(m_root + original.folder + original.name) != original.bytes) {
                survey.problems.push_back(where + ": not back under its own name");
            }
        }
    }
    return survey;
}

std::string Describe(const Survey& survey) {
    std::string text = std::to_string(survey.plainFiles) + " plain, " + std::to_string(survey.containers) +
                       " containers, " + std::to_string(survey.temporaries) + " temporaries, " +
                       std::to_string(survey.duplicates) + " duplicates";
    for (const std::string& problem : survey.problems) {
        text += "\n  " + problem;
    }
    return text;
}

} // namespace crash_test
