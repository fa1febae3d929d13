// The three commands that both of Tolvane's menus offer (the classic context menu and the Windows 11
// menu), and the one function that carries any of them out over a selection of full paths.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// The classic menu's command offsets, in the order both menus list the commands.
enum class MenuCommand : UINT { Encrypt = 0, Decrypt = 1, About = 2 };
inline constexpr UINT kMenuCommandCount = 3;

// The largest selection a menu takes: beyond it the handlers refuse the selection as a whole.
inline constexpr UINT MAX_SELECTION = 1024;

inline bool SelectionWithinLimit(size_t itemCount) {
    return itemCount <= MAX_SELECTION;
}

// Runs the command and returns when it has ended: one Tolvane operation at a time per process (a second
// one is told so and refused), then the about box, or the password, counting pass, progress window,
// processing pass and closing word of an encrypt or decrypt batch. An encryption that would touch a
// folder Windows or its programs need (fs/system_folders.h) is refused before the password is asked. The passes run on a
// thread of their own while the calling thread reads its messages, so its windows keep answering and Cancel works. An
// empty selection asks nothing; a selection the batch has used is emptied. Dialogs and messages are owned by owner
// (none when null). S_OK however the command ended; E_INVALIDARG for a selection over the limit, which is never
// started.
HRESULT RunMenuCommand(MenuCommand command, std::vector<std::wstring>& selection, HWND owner);
