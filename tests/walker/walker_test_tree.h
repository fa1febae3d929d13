// What the walker's tests add to the shared temporary folders: test containers and an observer that records
// what the walk did.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch_walker.h"
#include "temp_folder.h"
#include "test_files.h"

namespace walker_test {

namespace fs = std::filesystem;

inline constexpr Utf16Char kPassword[] = {'s', 'e', 'c', 'r', 'e', 't', '7', 0};

// Encrypts the file with the test password through the engine; the container's path.
fs::path MakeContainer(const fs::path& plainPath);

struct WalkEvent {
    enum Kind { Converted, PassedOver, Unlistable, Unreadable } kind;
    PathString path;
    ConvertOutcome outcome = ConvertOutcome::Converted;
    PassOverReason reason = PassOverReason::Extension;
    int systemError = 0; // Converted: the result's; Unlistable: the listing's
};

class RecordingObserver final : public BatchObserver {
public:
    void FileConverted(const PathString& path, const ConvertResult& result) override;
    void FilePassedOver(const PathString& path, PassOverReason reason) override;
    void FolderUnlistable(const PathString& path, int systemError) override;
    void SelectionItemUnreadable(const PathString& path) override;
    // What the engine told of the conversions the walk handed it.
    void FileStarted(const PathString& path, uint64_t totalBytes) override;
    void WrongPassword(const PathString& containerPath) override;

    std::vector<WalkEvent> events;
    std::vector<PathString> started;
    std::vector<PathString> wrongPasswords;

    // Bare names of the files of the given kind, in walk order.
    std::vector<std::string> Names(WalkEvent::Kind kind) const;
};

std::vector<PathString> Selection(std::initializer_list<fs::path> paths);

} // namespace walker_test
