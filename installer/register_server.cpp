// RegisterServer32: the library step of install and uninstall, which lets Qarnet.dll register or
// unregister its COM class itself.
#include "tolvane_dlg.h"

#include "installer_texts.h"
#include "win_handles.h"

namespace {

struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};

} // namespace

BOOL CTolvaneDlg::RegisterServer32(const std::wstring& libraryPath, int registerMode, HRESULT* entryResult) {
    if (libraryPath.empty()) {
        return FALSE;
    }
    UniqueHandle<LibraryTraits> library(::LoadLibraryW(libraryPath.c_str()));
    if (!library) {
        ShowMessage(kLoadLibraryFailed, kRegisterServerCaption, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    const bool registering = registerMode == 1;
    using EntryPoint = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(
        ::GetProcAddress(library.get(), registering ? "DllRegisterServer" : "DllUnregisterServer")));
    if (!entry) {
        ShowMessage(registering ? kRegisterEntryMissing : kUnregisterEntryMissing, kRegisterServerCaption,
                    MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    const HRESULT result = entry();
    if (entryResult) {
        *entryResult = result;
    }
    return TRUE;
}
