// A stand-in for the program a user opens a decrypted file with: it appends " edited" to the file and
// ends. With --hold it first leaves a second copy of itself holding the file open for a few seconds, as
// a program that hands its document to a helper would; --holder is that helper. With --handoff it ends at
// once and a second copy (--late-edit) makes the edit a moment later, as a program does that hands the file
// to its instance already running. With --linger it works longer than a hand-over takes, then edits. With --empty it
// leaves the file empty, which cannot be encrypted. With --mark it first copies the file's Mark of the Web to the file
// named by TOLVANE_TEST_MARK_COPY, so that a test learns what mark the file had while it was open.
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kHoldMilliseconds = 3000;
constexpr DWORD kLateEditMilliseconds = 1500;
constexpr DWORD kLingerMilliseconds = 6000;

bool AppendEdit(const wchar_t* path) {
    HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const char edit[] = " edited";
    DWORD written = 0;
    const bool ok = ::WriteFile(file, edit, sizeof(edit) - 1, &written, nullptr) && written == sizeof(edit) - 1;
    ::CloseHandle(file);
    return ok;
}

int HoldOpen(const wchar_t* path) {
    // The starter's probes may hold the file for a moment; try again until they stop.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 200 && file == INVALID_HANDLE_VALUE; ++i) {
        file = ::CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            ::Sleep(10);
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return 3;
    }
    ::Sleep(kHoldMilliseconds);
    ::CloseHandle(file);
    return 0;
}

// The event a second copy sets once it runs, named after its process id.
std::wstring StartedEventName(DWORD processId) {
    return L"Local\\tolvane-test-editor-started-" + std::to_wstring(processId);
}

// Starts a second copy of this program, on no console (the first one's may close with it), and returns
// once it runs.
bool StartSecondCopy(const wchar_t* option, const wchar_t* path) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + option + L" \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | DETACHED_PROCESS,
                          nullptr, nullptr, &startup, &process)) {
        return false;
    }
    HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, StartedEventName(process.dwProcessId).c_str());
    ::ResumeThread(process.hThread);
    const HANDLE waits[] = {started, process.hProcess};
    const bool running = started != nullptr && ::WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    if (started != nullptr) {
        ::CloseHandle(started);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return running;
}

void TellStarterWeRun() {
    if (HANDLE started = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, StartedEventName(::GetCurrentProcessId()).c_str())) {
        ::SetEvent(started);
        ::CloseHandle(started);
    }
}

// Starts the holder and returns once it has the file open.
bool StartHolder(const wchar_t* path) {
    if (!StartSecondCopy(L"--holder", path)) {
        return false;
    }
    // Wait until an exclusive open fails: then the holder has the file.
    for (int i = 0; i < 200; ++i) {
        HANDLE probe = ::CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            return true;
        }
        ::CloseHandle(probe);
        ::Sleep(10);
    }
    return false;
}

// The file's own stream; under Wine, which keeps a stream as a file beside its file and leaves it behind
// at a rename, the one the engine wrote under its temporary name before the file got its name.
std::wstring MarkOf(const std::wstring& path) {
    constexpr wchar_t kStream[] = L":Zone.Identifier";
    if (::GetFileAttributesW((path + kStream).c_str()) != INVALID_FILE_ATTRIBUTES) {
        return path + kStream;
    }
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((folder + L".tolvane-*").c_str(), &found);
    std::wstring mark;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
        if (std::wstring(found.cFileName).ends_with(kStream)) {
            mark = folder + found.cFileName;
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        ::FindClose(search);
    }
    return mark;
}

bool CopyMark(const wchar_t* path) {
    wchar_t copyPath[MAX_PATH] = {};
    const std::wstring mark = MarkOf(path);
    return ::GetEnvironmentVariableW(L"TOLVANE_TEST_MARK_COPY", copyPath, MAX_PATH) != 0 && !mark.empty() &&
           ::CopyFileW(mark.c_str(), copyPath, FALSE);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"--holder") {
        TellStarterWeRun();
        return HoldOpen(argv[2]);
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--hold") {
        if (!AppendEdit(argv[2])) {
            return 2;
        }
        return StartHolder(argv[2]) ? 0 : 4;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--handoff") {
        return StartSecondCopy(L"--late-edit", argv[2]) ? 0 : 4;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--late-edit") {
        TellStarterWeRun();
        ::Sleep(kLateEditMilliseconds);
        return AppendEdit(argv[2]) ? 0 : 2;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--linger") {
        ::Sleep(kLingerMilliseconds);
        return AppendEdit(argv[2]) ? 0 : 2;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--empty") {
        HANDLE file =
            ::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return 2;
        }
        ::CloseHandle(file);
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--mark") {
        return CopyMark(argv[2]) && AppendEdit(argv[2]) ? 0 : 2;
    }
    if (argc == 2) {
        return AppendEdit(argv[1]) ? 0 : 2;
    }
    return 1;
}
