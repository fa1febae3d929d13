// A stand-in for PowerShell that the test build of Tolvane.exe starts in its place: it writes what it was
// given (its command line and the two variables that carry the package's paths) to a new numbered file in
// the folder TOLVANE_TEST_RECORD_FOLDER names, and ends with the code in TOLVANE_TEST_EXIT_CODE.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
    const DWORD units = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (units == 0) {
        return L"<unset>";
    }
    std::wstring value(units, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), units));
    return value;
}

// UTF-16 lines: the command line, then the package path, then the folder.
bool Record(const std::wstring& folder) {
    const std::wstring record = std::wstring(::GetCommandLineW()) + L"\n" + Variable(L"TOLVANE_MENU_PACKAGE") + L"\n" +
                                Variable(L"TOLVANE_MENU_FOLDER") + L"\n";
    for (int number = 1; number < 100; ++number) {
        const std::wstring path = folder + L"\\" + std::to_wstring(number) + L".txt";
        HANDLE file =
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            continue;
        }
        const DWORD bytes = static_cast<DWORD>(record.size() * sizeof(wchar_t));
        DWORD written = 0;
        const bool ok = ::WriteFile(file, record.data(), bytes, &written, nullptr) && written == bytes;
        ::CloseHandle(file);
        return ok;
    }
    return false;
}

} // namespace

int wmain() {
    if (!Record(Variable(L"TOLVANE_TEST_RECORD_FOLDER"))) {
        return 70;
    }
    return static_cast<int>(std::wcstoul(Variable(L"TOLVANE_TEST_EXIT_CODE").c_str(), nullptr, 10));
}
