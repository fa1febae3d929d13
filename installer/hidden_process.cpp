// Starting a windowless child with an environment block of our own making, and waiting for it with the
// dialog disabled but painted, so the installer does not look hung while Windows registers a package.
#include "hidden_process.h"

#include <algorithm>
#include <cwchar>
#include <string_view>

#include "unique_handle.h"

namespace {

struct EnvironmentStringsTraits {
    using Handle = wchar_t*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::FreeEnvironmentStringsW(h); }
};

// The name of "NAME=value". Entries such as "=C:=C:\" (the current folder of each drive) have a name
// that starts with the equals sign.
std::wstring_view NameOf(std::wstring_view entry) {
    return entry.substr(0, entry.find(L'=', 1));
}

int CompareNames(std::wstring_view first, std::wstring_view second) {
    return ::CompareStringOrdinal(first.data(), static_cast<int>(first.size()), second.data(),
                                  static_cast<int>(second.size()), TRUE);
}

// Windows expects the block sorted by name, without regard to case, and each name once.
std::wstring EnvironmentBlock(const std::vector<EnvironmentVariable>& additions) {
    std::vector<std::wstring> entries;
    UniqueHandle<EnvironmentStringsTraits> current(::GetEnvironmentStringsW());
    for (const wchar_t* entry = current.get(); entry && *entry; entry += std::wcslen(entry) + 1) {
        const bool replaced = std::any_of(additions.begin(), additions.end(), [&](const EnvironmentVariable& added) {
            return CompareNames(NameOf(entry), added.name) == CSTR_EQUAL;
        });
        if (!replaced) {
            entries.emplace_back(entry);
        }
    }
    for (const EnvironmentVariable& added : additions) {
        entries.push_back(added.name + L"=" + added.value);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const std::wstring& first, const std::wstring& second) {
        return CompareNames(NameOf(first), NameOf(second)) == CSTR_LESS_THAN;
    });
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

// Messages are dispatched while the child runs so the owner repaints; being disabled, it takes no input.
void WaitWhilePainting(HANDLE process, HWND owner) {
    const bool reenable = owner && !::EnableWindow(owner, FALSE);
    bool quit = false;
    int quitCode = 0;
    while (::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    if (reenable) {
        ::EnableWindow(owner, TRUE);
    }
    if (quit) {
        ::PostQuitMessage(quitCode);
    }
}

} // namespace

std::optional<DWORD> RunHiddenAndWait(const std::wstring& program, const std::wstring& arguments,
                                      const std::vector<EnvironmentVariable>& additions, HWND owner) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    // The child starts in its own folder, not in ours, which may be a download folder.
    const std::wstring folder = program.substr(0, program.rfind(L'\\') + 1);
    std::wstring environment = EnvironmentBlock(additions);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                          folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        return std::nullopt;
    }
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    WaitWhilePainting(process.get(), owner);
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode)) {
        return std::nullopt;
    }
    return exitCode;
}
