// The engine's side of its hooks: what the container code calls to tell the outside world.
#pragma once

#include "conversion_hooks.h"
#include "container.h"

// Calls the wrong-password hook, if one is set.
void NotifyWrongPassword(const PathChar* containerPath);

// True when the interrupt check, if one is set, asks to stop.
bool InterruptRequested();

// Puts the bare name actually used for a restored file into g_szRestoredName.
void SetRestoredName(Utf16View name);
