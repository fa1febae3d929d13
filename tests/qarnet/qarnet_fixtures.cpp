// The fixtures of the Qarnet tests, on top of the real registry, file system and shell of the prefix.
#include "qarnet_fixtures.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <initializer_list>

std::wstring QarnetDllPath() {
    std::wstring path = L"Z:" QARNET_DLL_UNIX_PATH;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring ShortPath(const std::wstring& path) {
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    shortPath.resize(length);
    return shortPath;
}

std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_ANY, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcslen(value.c_str()));
    return value;
}

bool RegKeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

LoadedQarnet::LoadedQarnet(const std::wstring& path) : m_module(LoadLibraryW(path.c_str())) {}

LoadedQarnet::~LoadedQarnet() {
    if (m_module != nullptr) {
        FreeLibrary(m_module);
    }
}

FARPROC LoadedQarnet::Entry(const char* name) const {
    return m_module == nullptr ? nullptr : GetProcAddress(m_module, name);
}

using NoArgumentEntry = HRESULT(STDAPICALLTYPE*)();
using ClassObjectEntry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

HRESULT LoadedQarnet::Register() const {
    auto entry = reinterpret_cast<NoArgumentEntry>(reinterpret_cast<void*>(Entry("DllRegisterServer")));
    return entry == nullptr ? E_UNEXPECTED : entry();
}

HRESULT LoadedQarnet::Unregister() const {
    auto entry = reinterpret_cast<NoArgumentEntry>(reinterpret_cast<void*>(Entry("DllUnregisterServer")));
    return entry == nullptr ? E_UNEXPECTED : entry();
}

HRESULT LoadedQarnet::CanUnloadNow() const {
    auto entry = reinterpret_cast<NoArgumentEntry>(reinterpret_cast<void*>(Entry("DllCanUnloadNow")));
    return entry == nullptr ? E_UNEXPECTED : entry();
}

HRESULT LoadedQarnet::GetClassObject(REFCLSID clsid, REFIID riid, void** result) const {
    auto entry = reinterpret_cast<ClassObjectEntry>(reinterpret_cast<void*>(Entry("DllGetClassObject")));
    return entry == nullptr ? E_UNEXPECTED : entry(clsid, riid, result);
}

RegisteredQarnet::RegisteredQarnet() : m_result(m_module.Register()) {}

RegisteredQarnet::~RegisteredQarnet() {
    m_module.Unregister();
}

IDataObject* ShellDataObjectFor(const std::vector<std::wstring>& paths) {
    std::vector<PIDLIST_ABSOLUTE> absolute;
    std::vector<PCUITEMID_CHILD> children;
    IShellFolder* parent = nullptr;
    IDataObject* dataObject = nullptr;
    bool ok = true;
    for (const std::wstring& path : paths) {
        PIDLIST_ABSOLUTE item = nullptr;
        if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr))) {
            ok = false;
            break;
        }
        absolute.push_back(item);
        PCUITEMID_CHILD child = nullptr;
        IShellFolder* folder = nullptr;
        if (FAILED(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child))) {
            ok = false;
            break;
        }
        children.push_back(child);
        if (parent == nullptr) {
            parent = folder;
        } else {
            folder->Release();
        }
    }
    if (ok && parent != nullptr) {
        parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject, nullptr,
                              reinterpret_cast<void**>(&dataObject));
    }
    if (parent != nullptr) {
        parent->Release();
    }
    for (PIDLIST_ABSOLUTE item : absolute) {
        CoTaskMemFree(item);
    }
    return dataObject;
}

IContextMenu* InitialisedHandlerFor(const std::vector<std::wstring>& items) {
    IShellExtInit* init = nullptr;
    if (FAILED(CoCreateInstance(CLSID_QvShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                reinterpret_cast<void**>(&init)))) {
        return nullptr;
    }
    IDataObject* data = ShellDataObjectFor(items);
    IContextMenu* menu = nullptr;
    if (data != nullptr && init->Initialize(nullptr, data, nullptr) == S_OK) {
        init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    }
    if (data != nullptr) {
        data->Release();
    }
    init->Release();
    return menu;
}

std::optional<DWORD> RunProgram(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return std::nullopt;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

namespace {

constexpr UINT kRunPostedAction = WM_APP + 1;
constexpr wchar_t kPostedActionClass[] = L"QarnetTestPostedAction";

} // namespace

PostedAction::PostedAction(std::function<void()> action) : m_action(std::move(action)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kPostedActionClass;
    RegisterClassW(&windowClass); // fails harmlessly when an earlier test registered it
    m_window =
        CreateWindowW(kPostedActionClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (m_window != nullptr) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

PostedAction::~PostedAction() {
    if (m_window != nullptr) {
        DestroyWindow(m_window);
    }
}

void PostedAction::Post() const {
    PostMessageW(m_window, kRunPostedAction, 0, 0);
}

LRESULT CALLBACK PostedAction::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunPostedAction) {
        if (auto* posted = reinterpret_cast<PostedAction*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            posted->m_action();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

namespace {

constexpr int kProgressCurrentFile = 203;
constexpr int kProgressOnlyLabel = 220;
CancelAtFile* g_cancelAtFile = nullptr;

} // namespace

CancelAtFile::CancelAtFile(int fileNumber, std::optional<int> quitCode)
    : m_fileNumber(fileNumber), m_quitCode(quitCode) {
    g_cancelAtFile = this;
    m_hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchLabel, nullptr, GetCurrentThreadId());
}

CancelAtFile::~CancelAtFile() {
    UnhookWindowsHookEx(m_hook);
    g_cancelAtFile = nullptr;
}

LRESULT CALLBACK CancelAtFile::WatchLabel(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    CancelAtFile* watch = g_cancelAtFile;
    if (code == HC_ACTION && watch != nullptr && !watch->m_pressed && call->message == WM_SETTEXT &&
        GetDlgCtrlID(call->hwnd) == kProgressCurrentFile) {
        HWND dialog = GetParent(call->hwnd);
        const auto* text = reinterpret_cast<const wchar_t*>(call->lParam);
        if (GetDlgItem(dialog, kProgressOnlyLabel) != nullptr && text != nullptr && text[0] != L'\0' &&
            ++watch->m_filesSeen == watch->m_fileNumber) {
            watch->m_pressed = true;
            watch->m_fileInHand = text;
            if (watch->m_quitCode) {
                PostQuitMessage(*watch->m_quitCode);
            } else {
                SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HRESULT EncryptThroughTheWindows11Menu(const std::vector<std::wstring>& paths) {
    std::vector<PIDLIST_ABSOLUTE> items;
    for (const std::wstring& path : paths) {
        PIDLIST_ABSOLUTE item = nullptr;
        if (SUCCEEDED(SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr))) {
            items.push_back(item);
        }
    }
    IShellItemArray* array = nullptr;
    IExplorerCommand* entry = nullptr;
    IEnumExplorerCommand* commands = nullptr;
    IExplorerCommand* encrypt = nullptr;
    HRESULT hr = items.size() == paths.size() ? S_OK : E_FAIL;
    if (SUCCEEDED(hr)) {
        hr = SHCreateShellItemArrayFromIDLists(static_cast<UINT>(items.size()),
                                               const_cast<PCIDLIST_ABSOLUTE_ARRAY>(items.data()), &array);
    }
    if (SUCCEEDED(hr)) {
        hr = CoCreateInstance(CLSID_QvExplorerCommand, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                              reinterpret_cast<void**>(&entry));
    }
    if (SUCCEEDED(hr)) {
        hr = entry->EnumSubCommands(&commands);
    }
    if (SUCCEEDED(hr)) {
        hr = commands->Next(1, &encrypt, nullptr) == S_OK ? encrypt->Invoke(array, nullptr) : E_FAIL;
    }
    for (IUnknown* object : std::initializer_list<IUnknown*>{encrypt, commands, entry, array}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    for (PIDLIST_ABSOLUTE item : items) {
        CoTaskMemFree(item);
    }
    return hr;
}
