// The redrawn status line of a batch (contract in progress_line.h).
#include "progress_line.h"

#include <algorithm>
#include <cstdio>

#include "console_output.h"
#include "progress_share.h"

namespace {

// One column per character: what a terminal shows of the names here.
size_t Utf8Columns(const std::string& text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char unit) { return !IsUtf8Continuation(unit); }));
}

// The end of text that fits in the given columns, with "..." in front when it was shortened: the file name
// at the end of a path says most.
std::string FitFromEnd(const std::string& text, size_t columns) {
    if (Utf8Columns(text) <= columns) {
        return text;
    }
    if (columns <= 3) {
        return std::string(columns, '.');
    }
    size_t keep = columns - 3;
    size_t start = text.size();
    while (start > 0 && keep > 0) {
        --start;
        if (!IsUtf8Continuation(text[start])) {
            --keep;
        }
    }
    std::string fitted("...");
    fitted.append(text, start, std::string::npos);
    return fitted;
}

} // namespace

ProgressLine::ProgressLine(bool enabled, int32_t totalFiles) : m_enabled(enabled), m_totalFiles(totalFiles) {}

ProgressLine::~ProgressLine() {
    Clear();
}

void ProgressLine::Clear() {
    if (m_shownWidth == 0) {
        return;
    }
    std::string blank(m_shownWidth + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    std::fwrite(blank.data(), 1, blank.size(), stderr);
    std::fflush(stderr);
    m_shownWidth = 0;
    m_shownText.clear();
}

void ProgressLine::FileStarted(const PathString& path, uint64_t totalBytes) {
    m_fileSize = totalBytes;
    m_fileDone = 0;
    m_currentFile = PathForDisplay(path);
    ++m_finished;
    Draw();
}

void ProgressLine::ChunkDone(uint64_t bytes) {
    m_fileDone += bytes;
    Draw();
}

void ProgressLine::Draw() {
    if (!m_enabled) {
        return;
    }
    const int32_t finished = m_finished < 0 ? 0 : m_finished;
    const uint64_t total = m_totalFiles > 0 ? static_cast<uint64_t>(m_totalFiles) : 0;
    std::string counts =
        "Total files: " + std::to_string(m_totalFiles) + "  Finished files: " + std::to_string(finished) +
        "  Total progress: " + std::to_string(ProgressPercent(static_cast<uint64_t>(finished), total)) +
        "%  Current progress: " + std::to_string(ProgressPercent(m_fileDone, m_fileSize)) + "%  ";
    const int columns = TerminalColumns(stderr);
    // One column stays free: writing into the last one makes some terminals wrap at once.
    const size_t width = columns > 1 ? static_cast<size_t>(columns - 1) : 79;
    std::string text =
        counts.size() >= width ? counts.substr(0, width) : counts + FitFromEnd(m_currentFile, width - counts.size());
    if (text == m_shownText) {
        return;
    }
    const size_t textWidth = Utf8Columns(text);
    std::string line(1, '\r');
    line += text;
    if (textWidth < m_shownWidth) {
        line += std::string(m_shownWidth - textWidth, ' ');
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    m_shownWidth = textWidth > m_shownWidth ? textWidth : m_shownWidth;
    m_shownText = std::move(text);
}
