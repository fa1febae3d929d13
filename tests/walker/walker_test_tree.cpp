// Temporary trees and the recording observer of the walker's tests.
#include "walker_test_tree.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace walker_test {

namespace {

std::string NarrowName(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

} // namespace

TempTree::TempTree() {
    static std::atomic<unsigned> serial{0};
    std::random_device seed;
    const std::string name = "tolvane-walker-" + std::to_string(seed()) + "-" + std::to_string(serial++);
    m_root = fs::temp_directory_path() / name;
    MakeFolder(m_root);
}

TempTree::~TempTree() {
    std::error_code ignored;
    fs::remove_all(Callable(m_root), ignored);
}

fs::path Callable(const fs::path& path) {
#ifdef _WIN32
    const std::wstring& text = path.native();
    if (text.starts_with(L"\\\\?\\")) {
        return path;
    }
    return fs::path(L"\\\\?\\" + fs::absolute(path).native());
#else
    return path;
#endif
}

void MakeFolder(const fs::path& path) {
    fs::create_directories(Callable(path));
}

void WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream out(Callable(path), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write a test file");
    }
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(Callable(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(Callable(path), ignored));
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
#ifdef _WIN32
    // The C runtime's directory listing does not take the "\\?\" form of long paths.
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((Callable(folder) / L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(NarrowName(fs::path(name)));
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
#else
    for (const fs::directory_entry& entry : fs::directory_iterator(Callable(folder))) {
        names.push_back(NarrowName(entry.path()));
    }
#endif
    std::sort(names.begin(), names.end());
    return names;
}

fs::path MakeContainer(const fs::path& plainPath) {
    const ConvertResult result = EncryptToContainer(plainPath.c_str(), kPassword);
    if (result.outcome != ConvertOutcome::Converted) {
        throw std::runtime_error("cannot make a test container");
    }
    return fs::path(result.outputPath);
}

void RecordingObserver::FileConverted(const PathString& path, const ConvertResult& result) {
    events.push_back({WalkEvent::Converted, path, result.outcome, PassOverReason::Extension});
}

void RecordingObserver::FilePassedOver(const PathString& path, PassOverReason reason) {
    events.push_back({WalkEvent::PassedOver, path, ConvertOutcome::Converted, reason});
}

void RecordingObserver::FolderUnlistable(const PathString& path) {
    events.push_back({WalkEvent::Unlistable, path});
}

void RecordingObserver::SelectionItemUnreadable(const PathString& path) {
    events.push_back({WalkEvent::Unreadable, path});
}

std::vector<std::string> RecordingObserver::Names(WalkEvent::Kind kind) const {
    std::vector<std::string> names;
    for (const WalkEvent& event : events) {
        if (event.kind == kind) {
            names.push_back(NarrowName(fs::path(event.path)));
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
