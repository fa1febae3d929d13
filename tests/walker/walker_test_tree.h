// Temporary folder trees for the walker's tests: real files on disk, paths of any length on every
// platform, and an observer that records what the walk did.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch_walker.h"

namespace walker_test {

namespace fs = std::filesystem;

inline constexpr Utf16Char kPassword[] = {'s', 'e', 'c', 'r', 'e', 't', '7', 0};

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const fs::path& root() const { return m_root; }
    fs::path operator/(const fs::path& relative) const { return m_root / relative; }

private:
    fs::path m_root;
};

// The form of a path that the platform's file calls accept at any length ("\\?\" on Windows).
fs::path Callable(const fs::path& path);

void MakeFolder(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& content);
std::string ReadFile(const fs::path& path);
bool Exists(const fs::path& path);
// Bare names of the folder's entries, sorted.
std::vector<std::string> NamesIn(const fs::path& folder);

// Encrypts the file with the test password through the engine; the container's path.
fs::path MakeContainer(const fs::path& plainPath);

struct WalkEvent {
    enum Kind { Converted, PassedOver, Unlistable, Unreadable } kind;
    PathString path;
    ConvertOutcome outcome = ConvertOutcome::Converted;
    PassOverReason reason = PassOverReason::Extension;
};

class RecordingObserver final : public BatchObserver {
public:
    void FileConverted(const PathString& path, const ConvertResult& result) override;
    void FilePassedOver(const PathString& path, PassOverReason reason) override;
    void FolderUnlistable(const PathString& path) override;
    void SelectionItemUnreadable(const PathString& path) override;

    std::vector<WalkEvent> events;

    // Bare names of the files of the given kind, in walk order.
    std::vector<std::string> Names(WalkEvent::Kind kind) const;
};

std::vector<PathString> Selection(std::initializer_list<fs::path> paths);

} // namespace walker_test
