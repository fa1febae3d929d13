// The seed corpus of the container reader's fuzz target: real containers the engine makes at test time
// (sizes around the block and chunk boundaries, hostile names), each also as its plain image, and crafted
// plain images of headers no writer makes.
#pragma once

#include <string>

// Writes the seeds into the existing folder (path ending in '/'); the number written, or -1 on failure.
int WriteSeedCorpus(const std::string& folder);
