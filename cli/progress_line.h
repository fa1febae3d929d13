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

    // Removes the line so that other output can be written; the next report draws it again.
    void Clear();

    // The engine's reports on the file in hand (conversion_observer.h), passed on by the batch's observer.
    void FileStarted(const PathString& path, uint64_t totalBytes);
    void ChunkDone(uint64_t bytes);

private:
    void Draw();

    bool m_enabled;
    int32_t m_totalFiles;
    int32_t m_finished = -1; // files started minus one, as the progress window counts them
    uint64_t m_fileSize = 0;
    uint64_t m_fileDone = 0;
    std::string m_currentFile;
    size_t m_shownWidth = 0; // columns of the line now on screen
    std::string m_shownText;
};
