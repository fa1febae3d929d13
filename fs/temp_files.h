// Names of the engine's temporary outputs, where a platform needs a name at all: recognisable, never a
// plain file's or a container's.
#pragma once

#include "path_text.h"

// ".tolvane-" followed by 16 random hexadecimal digits and ".tmp": never ends in ".ENC". The walker passes
// every name of this form over, so no batch converts a half-written output; a leftover one is reported and
// left alone, never deleted (a user's own file may have such a name).
PathString MakeEngineTempName();
bool IsEngineTempName(PathView bareName);
