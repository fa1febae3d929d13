// Small files read whole (the logo picture), and whether another program holds a file open.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "path_text.h"

// The file's bytes, read in full: nullopt when it cannot be opened or read to its end, is empty, or is
// larger than limit bytes. A read that returns fewer bytes than asked reads on; never half a file.
std::optional<std::vector<uint8_t>> ReadWholeFile(const PathString& path, size_t limit);

#ifdef _WIN32
// True while another program holds the file open in a way that refuses a reader and writer with no
// sharing at all (an open with no sharing is refused with a sharing violation).
bool IsHeldByAnotherProgram(const PathString& path);
#endif
