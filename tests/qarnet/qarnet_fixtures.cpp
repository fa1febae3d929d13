// The fixtures of the Qarnet tests, on top of the real registry, file system and shell of the prefix.
#include "qarnet_fixtures.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

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

TempFolder::TempFolder(const std::wstring& name) {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    m_path = std::wstring(base) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount64());
    CreateDirectoryW(m_path.c_str(), nullptr);
}

namespace {

// Removes a folder tree through the long-path form, so that paths beyond MAX_PATH inside it go too.
// (The shell's own delete operation, given such a tree under Wine, starts removing the current folder.)
void RemoveTree(const std::wstring& longPath) {
    WIN32_FIND_DATAW entry{};
    HANDLE listing =
        FindFirstFileExW((longPath + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = longPath + L"\\" + name;
            const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !isLink) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    RemoveDirectoryW(child.c_str());
                } else {
                    DeleteFileW(child.c_str());
                }
            }
        } while (FindNextFileW(listing, &entry));
        FindClose(listing);
    }
    RemoveDirectoryW(longPath.c_str());
}

} // namespace

TempFolder::~TempFolder() {
    if (!m_path.empty()) {
        RemoveTree(L"\\\\?\\" + m_path);
    }
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
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
