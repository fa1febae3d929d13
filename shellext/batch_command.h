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
    Processed,   // both passes ran: the selection has been used
};

// The password dialog and the closing word are owned by owner (none when null); the progress window
// never has an owner.
BatchOutcome RunBatchCommand(BatchMode mode, const std::vector<std::wstring>& selection, HWND owner);
