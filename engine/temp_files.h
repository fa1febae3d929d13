// Names of the engine's temporary outputs: recognisable, never a plain file's or a container's.
#pragma once

#include "path_text.h"

// ".tolvane-" followed by 16 random hexadecimal digits and ".tmp": never ends in ".ENC", and the walker
// skips every name of this form (IsEngineTempName), so no batch converts a half-written output.
PathString MakeEngineTempName();
