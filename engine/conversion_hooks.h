// The hooks through which a conversion reports to its caller (the shell extension's progress dialog and
// message box, the command line's output) and may be stopped. Without hooks the engine is silent and
// never stops early.
#pragma once

#include <cstdint>

#include "path_text.h"

// Progress: a file start gives (path, its size, 0), made for every source that opens and is not empty;
// each chunk read gives (nullptr, 0, bytes read), 1 to ENC_CHUNK_SIZE. A container's chunks add up to its
// length less ENC_HEADER_SIZE, a plain file's to its length. Without a hook nothing happens.
using ProgressHook = void (*)(void* context, const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes);
void SetProgressHook(ProgressHook hook, void* context);
void ReportProgress(const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes);

// Shown once for each container whose header check fails. Without a hook nothing is shown.
using WrongPasswordHook = void (*)(void* context, const PathChar* containerPath);
void SetWrongPasswordHook(WrongPasswordHook hook, void* context);

// Asked after every chunk and before the output is finished; true stops the conversion in hand with
// Interrupted. Without a check the engine never stops early.
using InterruptCheck = bool (*)(void* context);
void SetInterruptCheck(InterruptCheck check, void* context);
