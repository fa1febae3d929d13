// The redrawn status line of a batch (contract in progress_line.h).
#include "progress_line.h"

#include <cstdio>

#include "console_output.h"
#include "container.h"

namespace {

unsigned Percent(uint64_t part, uint64_t whole) {
    if (whole == 0) {
        return 0;
    }
    const uint64_t share = part >= whole ? 100 : part * 100 / whole;
    return static_cast<unsigned>(share);
}

size_t Utf8Columns(const std::string& text) {
    size_t columns = 0;
    for (const char unit : text) {
        if ((static_cast<unsigned char>(unit) & 0xC0) != 0x80) {
            ++columns;
        }
    }
    return columns;
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
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) {
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
    std::string counts = "Total files: " + std::to_string(m_totalFiles) +
                         "  Finished files: " + std::to_string(finished) +
                         "  Total progress: " + std::to_string(Percent(static_cast<uint64_t>(finished), total)) +
                         "%  Current progress: " + std::to_string(Percent(m_fileDone, m_fileSize)) + "%  ";
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
