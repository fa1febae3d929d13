// Names of the engine's temporary outputs, where a platform needs a name at all, and of a source set aside
// for the moment of its deletion: recognisable, never a plain file's or a container's.
#pragma once

#include "path_text.h"

// ".tolvane-" followed by 16 random hexadecimal digits and ".tmp": never ends in ".ENC". The walker passes
// every name of this form over, so no batch converts a half-written output; a leftover one is reported and
// left alone, never deleted (a user's own file may have such a name).
PathString MakeEngineTempName();
// True for both engine forms: the temporary output's and the set-aside source's.
bool IsEngineTempName(PathView bareName);

// ".tolvane-" followed by 16 random hexadecimal digits and ".src": a source moved aside just before its
// deletion (file_io.h). Met by a later batch, it is what a killed run left between the move and the
// deletion: the file as it was read, whose converted form stands beside it. Reported, never deleted.
PathString MakeSetAsideName();
bool IsSetAsideName(PathView bareName);
