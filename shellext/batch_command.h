// The encrypt and decrypt menu commands over a whole selection: password, count, progress window,
// processing pass, and a closing word when files could not be converted.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "batch_walker.h"

enum class BatchOutcome {
    Cancelled,   // the user closed the password dialog
    NothingToDo, // the selection holds no file
    Processed,   // the passes ran, to the end or until the user cancelled: the selection has been used
};

// The password dialog and the closing word are owned by owner (none when null, or once it is gone); the
// progress window never has an owner. Returns when the batch has ended; the calling thread's messages are
// read meanwhile.
BatchOutcome RunBatchCommand(BatchMode mode, const std::vector<std::wstring>& selection, HWND owner);
