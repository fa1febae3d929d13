// Names: the output names of both directions, the choice of a free name, and the turning of a stored name
// into a safe bare name.
#pragma once

#include <cstddef>

#include "path_text.h"

// Which file system's naming rules apply where the output is written. Both are testable everywhere.
enum class NameRules { Posix, Windows };
#ifdef _WIN32
inline constexpr NameRules kPlatformNameRules = NameRules::Windows;
#else
inline constexpr NameRules kPlatformNameRules = NameRules::Posix;
#endif

// No chosen name is longer than this, in UTF-16 units (and, under POSIX rules, in UTF-8 bytes as well).
inline constexpr size_t MAX_NAME_UNITS = 255;

// A name cut into the part that may be shortened (and gets the " (n)" of a free name) and the part that
// stays, the extension with its dot.
struct NameParts {
    Utf16String stem;
    Utf16String extension;
};

// Encrypting: the plain file's last '.' becomes '_', then ".ENC" follows.
NameParts ContainerNameParts(Utf16View plainName);
// Decrypting: the extension is the text from the restored name's last dot (a leading dot starts none).
NameParts RestoredNameParts(Utf16View restoredName);

// The name to try in the given attempt: 1 gives the name itself, n >= 2 inserts " (n)" before the
// extension. The stem is shortened (by whole characters) until the name fits.
Utf16String CandidateName(const NameParts& parts, unsigned attempt, NameRules rules);

// A name read from a container, made into a bare name in the container's folder: slashes become '_'; a
// name that is empty, "." or ".." gives the container's own name without its extension. Under Windows
// rules the characters Windows forbids become '_', trailing dots and spaces go, and a device name (CON,
// NUL.txt, COM1, ...) gets '_' after its stem. Under POSIX rules an unpaired surrogate becomes '_', since
// it has no UTF-8 form. Under both, a name of the engine's temporary form gets a leading '_'.
Utf16String SanitizeStoredName(Utf16View storedName, Utf16View containerName, NameRules rules);
