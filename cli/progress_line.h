// The status line of a batch on a terminal: what the progress window shows (current file, its progress,
// the overall progress, total and finished counts), redrawn in place on stderr.
#pragma once

#include <cstdint>
#include <string>

#include "path_text.h"

class ProgressLine {
public:
    // enabled is false when stderr is not a terminal or the user asked for quiet: then nothing is drawn.
    ProgressLine(bool enabled, int32_t totalFiles);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Connects the engine's progress reports to this line until destruction.
    void Attach();

    // Removes the line so that other output can be written; the next report draws it again.
    void Clear();

    // A report of the engine: a file start (name, its size, 0) or bytes read (nullptr, 0, count).
    void Report(const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes);

private:
    void Draw();

    bool m_enabled;
    bool m_attached = false;
    int32_t m_totalFiles;
    int32_t m_finished = -1; // files started minus one, as the progress window counts them
    uint64_t m_fileSize = 0;
    uint64_t m_fileDone = 0;
    std::string m_currentFile;
    size_t m_shownWidth = 0; // columns of the line now on screen
    std::string m_shownText;
};
