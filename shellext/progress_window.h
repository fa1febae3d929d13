// The progress window of one operation, with the engine's reports routed to it while it exists.
#pragma once

#include <cstdint>

class ProgressWindowScope {
public:
    // Sets the total, creates the window without a parent and connects the engine's progress and
    // wrong-password reports. raiseTopmost raises the window once more above every other.
    ProgressWindowScope(uint32_t totalFiles, bool raiseTopmost);
    ProgressWindowScope(const ProgressWindowScope&) = delete;
    ProgressWindowScope& operator=(const ProgressWindowScope&) = delete;
    // Disconnects the reports, then destroys the window.
    ~ProgressWindowScope();
};
