// Test containers and the recording observer of the walker's tests.
#include "walker_test_tree.h"

#include <stdexcept>

namespace walker_test {

fs::path MakeContainer(const fs::path& plainPath) {
    const ConvertResult result = EncryptToContainer(plainPath.c_str(), kPassword);
    if (result.outcome != ConvertOutcome::Converted) {
        throw std::runtime_error("cannot make a test container");
    }
    return fs::path(result.outputPath);
}

void RecordingObserver::FileConverted(const PathString& path, const ConvertResult& result) {
    events.push_back({WalkEvent::Converted, path, result.outcome, PassOverReason::Extension, result.systemError});
}

void RecordingObserver::FilePassedOver(const PathString& path, PassOverReason reason) {
    events.push_back({WalkEvent::PassedOver, path, ConvertOutcome::Converted, reason, 0});
}

void RecordingObserver::FolderUnlistable(const PathString& path, int systemError) {
    WalkEvent event{WalkEvent::Unlistable, path};
    event.systemError = systemError;
    events.push_back(event);
}

void RecordingObserver::SelectionItemUnreadable(const PathString& path) {
    events.push_back({WalkEvent::Unreadable, path});
}

void RecordingObserver::FileStarted(const PathString& path, uint64_t) {
    started.push_back(path);
}

void RecordingObserver::WrongPassword(const PathString& containerPath) {
    wrongPasswords.push_back(containerPath);
}

std::vector<std::string> RecordingObserver::Names(WalkEvent::Kind kind) const {
    std::vector<std::string> names;
    for (const WalkEvent& event : events) {
        if (event.kind == kind) {
            names.push_back(Utf8Name(fs::path(event.path)));
        }
    }
    return names;
}

std::vector<PathString> Selection(std::initializer_list<fs::path> paths) {
    std::vector<PathString> list;
    for (const fs::path& path : paths) {
        list.push_back(path.native());
    }
    return list;
}

} // namespace walker_test
