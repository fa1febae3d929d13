// The worlds the Qarnet tests run in: the built Qarnet.dll loaded or registered in the Wine prefix, a
// temporary folder of real files, and shell data objects made by the shell itself.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shobjidl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "qarnet_idl.h"
#include "temp_folder.h"
#include "test_files.h"

inline constexpr wchar_t kQvShellExtClsid[] = L"{7B3E91A4-2C5D-4E8F-A6B1-93D0C4E5F812}";
inline constexpr wchar_t kQvExplorerCommandClsid[] = L"{AF13A478-C961-4D9C-942B-81A434C008E9}";
inline constexpr wchar_t kQarnetTypeLib[] = L"{C84D0B52-6A19-47E3-B2F5-0E9A13C7D628}";
// The size of the buffer a caller gives QvDecFile for the restored file's bare name.
inline constexpr size_t kRestoredNameUnits = 260;
inline constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// The Windows path of the Qarnet.dll under test.
std::wstring QarnetDllPath();
std::wstring ShortPath(const std::wstring& path);

// A string value of a key, or nothing when the key or value is missing.
std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key, const wchar_t* name = nullptr);
bool RegKeyExists(HKEY root, const std::wstring& key);

// Qarnet.dll loaded with LoadLibrary, its exports at hand.
class LoadedQarnet {
public:
    explicit LoadedQarnet(const std::wstring& path = QarnetDllPath());
    LoadedQarnet(const LoadedQarnet&) = delete;
    LoadedQarnet& operator=(const LoadedQarnet&) = delete;
    ~LoadedQarnet();

    bool Loaded() const { return m_module != nullptr; }
    HRESULT Register() const;
    HRESULT Unregister() const;
    HRESULT CanUnloadNow() const;
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** result) const;

private:
    FARPROC Entry(const char* name) const;
    HMODULE m_module;
};

// Registers the built module for the length of a test and removes it again.
class RegisteredQarnet {
public:
    RegisteredQarnet();
    RegisteredQarnet(const RegisteredQarnet&) = delete;
    RegisteredQarnet& operator=(const RegisteredQarnet&) = delete;
    ~RegisteredQarnet();

    HRESULT Result() const { return m_result; }

private:
    LoadedQarnet m_module;
    HRESULT m_result;
};

// The data object Explorer would pass for these items, which must share one parent folder.
IDataObject* ShellDataObjectFor(const std::vector<std::wstring>& paths);

// A context-menu handler made through COM and initialised with these items as Explorer does it, on the
// calling thread; null when any step fails. The caller releases it.
IContextMenu* InitialisedHandlerFor(const std::vector<std::wstring>& items);

// Invokes the Windows 11 menu's encrypt command, made through COM as the shell makes it, on an item array
// the shell makes for these items (of any folders), on the calling thread. What Invoke gave, or the
// failure of a step before it.
HRESULT EncryptThroughTheWindows11Menu(const std::vector<std::wstring>& paths);

// COM and OLE for the test thread, as Explorer has them.
class OleSession {
public:
    OleSession() { m_result = OleInitialize(nullptr); }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession() {
        if (SUCCEEDED(m_result)) {
            OleUninitialize();
        }
    }
    HRESULT Result() const { return m_result; }

private:
    HRESULT m_result;
};

// A message-only window of the calling thread that runs an action when its message arrives: a second
// command started from inside a first one's modal loop, as Explorer would start it on its UI thread.
class PostedAction {
public:
    explicit PostedAction(std::function<void()> action);
    ~PostedAction();
    PostedAction(const PostedAction&) = delete;
    PostedAction& operator=(const PostedAction&) = delete;

    bool Ready() const { return m_window != nullptr; }
    // Safe from any thread; the action runs on the window's thread when its loop takes the message.
    void Post() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void()> m_action;
    HWND m_window = nullptr;
};

// Presses the progress window's Cancel button, as a user would, at the moment the window shows the
// fileNumber-th file of the operation (from 1) starting: a hook on the calling thread's messages sees the
// window's current-file label change, so the press lands while that file is in hand on any machine. With
// quitCode, the thread is told to quit instead (PostQuitMessage), as when its program ends. One at a
// time; the thread that makes it must be the one that owns the progress window.
class CancelAtFile {
public:
    explicit CancelAtFile(int fileNumber, std::optional<int> quitCode = std::nullopt);
    ~CancelAtFile();
    CancelAtFile(const CancelAtFile&) = delete;
    CancelAtFile& operator=(const CancelAtFile&) = delete;

    bool Pressed() const { return m_pressed; }
    // The path the window showed when Cancel was pressed.
    const std::wstring& FileInHand() const { return m_fileInHand; }

private:
    static LRESULT CALLBACK WatchLabel(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook = nullptr;
    int m_fileNumber;
    std::optional<int> m_quitCode;
    int m_filesSeen = 0;
    bool m_pressed = false;
    std::wstring m_fileInHand;
};

// Runs a program (e.g. regsvr32.exe) under this Wine and gives its exit code.
std::optional<DWORD> RunProgram(const std::wstring& commandLine);

// The password fields of the two password dialogs, as a user finds them.
inline constexpr int kEncryptPasswordEdit = 206;
inline constexpr int kEncryptConfirmEdit = 207;
inline constexpr int kDecryptPasswordEdit = 209;

inline bool EndsWithEnc(const std::wstring& name) {
    return name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".ENC") == 0;
}
