// A file's own access rules on Windows, passed from a source to its output: a file whose access list is
// protected, or holds entries of its own, keeps them through encryption and decryption; a file that only
// inherits from its folder goes on inheriting.
#pragma once

#include <windows.h>

// True when the security descriptor's access list is protected from inheritance or holds an entry that
// was not inherited.
bool HasOwnAccessRules(PSECURITY_DESCRIPTOR descriptor);

// Gives output the source's own access list (and its owner, where the process may set it). True when there
// was nothing to pass on, or it was passed on; false, with the last error set, when the list could not be.
bool PassOnAccessRules(HANDLE source, HANDLE output);
