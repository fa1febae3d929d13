// The progress window of one operation, which is also the observer of that operation's conversions: their
// progress goes to the window, a wrong password to a message box it owns.
#pragma once

#include <cstdint>

#include "conversion_observer.h"

class ProgressWindowScope final : public ConversionObserver {
public:
    // Sets the total and creates the window without a parent. raiseTopmost raises the window once more
    // above every other.
    ProgressWindowScope(uint32_t totalFiles, bool raiseTopmost);
    ProgressWindowScope(const ProgressWindowScope&) = delete;
    ProgressWindowScope& operator=(const ProgressWindowScope&) = delete;
    // Destroys the window.
    ~ProgressWindowScope();

    // Shown in the window while it exists; nothing when it could not be created.
    void FileStarted(const PathString& path, uint64_t totalBytes) override;
    void ChunkDone(uint64_t bytes) override;
    // A message box, owned by the window when there is one.
    void WrongPassword(const PathString& containerPath) override;
};
