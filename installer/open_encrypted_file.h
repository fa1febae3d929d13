// The open-file mode of Tolvane.exe: decrypt one container, let its program work on the plain file, and
// encrypt it again with the same password when that program has ended, or, when the program handed the file
// to another or could not be followed, when the user says so in Tolvane.exe's own window.
#pragma once

#include <string>

// containerPath is the path Explorer passed (the open command of ".ENC" files). Every step that fails
// before the container was decrypted ends quietly: the messages come from Qarnet. Once it is decrypted,
// the plain file is encrypted again whatever happens, or the user is told which file stays plain.
void OpenEncryptedFile(const std::wstring& containerPath);
