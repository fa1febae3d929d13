// Converting one plain file into one ".ENC" container beside it, and back, under a password: the
// procedures. What they end in is in convert_result.h, the path functions they share with the walker in
// path_parts.h, the format itself in enc_format.h, the observer a conversion reports to in
// conversion_observer.h, the two phases that let a folder's files be finished together in
// conversion_batch.h.
#pragma once

#include "conversion_observer.h"
#include "convert_result.h"
#include "path_text.h"

class HeldFolder; // folder.h

// Full forms: the outcome and the output's name, for the walker and the command line. The output never
// replaces an existing file: when its name is taken, " (2)", " (3)", ... is inserted before ".ENC"
// (encrypting) or before the restored name's last dot, or at its end (decrypting). Names stay within
// 255 UTF-16 units (and 255 UTF-8 bytes on POSIX) by shortening the stem. The observer, when given, is
// told of this conversion only and may stop it; without one the conversion is silent and runs to its end.
ConvertResult EncryptToContainer(const PathChar* path, const Utf16Char* password,
                                 ConversionObserver* observer = nullptr);
ConvertResult DecryptFromContainer(const PathChar* path, const Utf16Char* password,
                                   ConversionObserver* observer = nullptr);

// The same for the entry name of an open folder, which the walker holds: nothing is reached through a
// link, and the output is made in that folder whatever becomes of the path it was reached by.
ConvertResult EncryptEntry(const HeldFolder& folder, PathView name, const Utf16Char* password,
                           ConversionObserver* observer = nullptr);
ConvertResult DecryptEntry(const HeldFolder& folder, PathView name, const Utf16Char* password,
                           ConversionObserver* observer = nullptr);

// 1 when the file was converted (its source deletion attempted), 0 otherwise. Silent, never stopped.
int EncryptOneFile(const PathChar* path, const Utf16Char* password);
int DecryptOneFile(const PathChar* path, const Utf16Char* password);
