// Registration and unregistration of Qarnet.dll in the prefix's real registry: through regsvr32 and
// through the exports, with the keys read back one by one.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "qarnet_fixtures.h"

namespace {

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kQvShellExtClsid;
const std::wstring kCommandClassKey = std::wstring(L"CLSID\\") + kQvExplorerCommandClsid;

struct ExpectedValue {
    std::wstring key;
    const wchar_t* name;
    std::wstring value;
};

// Everything registration writes under HKEY_CLASSES_ROOT except the server path.
const ExpectedValue kClassValues[] = {
    {L"Qarnet.QvShellExt.1", nullptr, L"QvShellExt Class"},
    {L"Qarnet.QvShellExt.1\\CLSID", nullptr, kQvShellExtClsid},
    {L"Qarnet.QvShellExt", nullptr, L"QvShellExt Class"},
    {L"Qarnet.QvShellExt\\CLSID", nullptr, kQvShellExtClsid},
    {L"Qarnet.QvShellExt\\CurVer", nullptr, L"Qarnet.QvShellExt.1"},
    {kClassKey, nullptr, L"QvShellExt Class"},
    {kClassKey + L"\\ProgID", nullptr, L"Qarnet.QvShellExt.1"},
    {kClassKey + L"\\VersionIndependentProgID", nullptr, L"Qarnet.QvShellExt"},
    {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {kClassKey + L"\\TypeLib", nullptr, kQarnetTypeLib},
    // The command of the Windows 11 menu, which is no automation class.
    {L"Qarnet.QvExplorerCommand.1", nullptr, L"QvExplorerCommand Class"},
    {L"Qarnet.QvExplorerCommand.1\\CLSID", nullptr, kQvExplorerCommandClsid},
    {L"Qarnet.QvExplorerCommand", nullptr, L"QvExplorerCommand Class"},
    {L"Qarnet.QvExplorerCommand\\CLSID", nullptr, kQvExplorerCommandClsid},
    {L"Qarnet.QvExplorerCommand\\CurVer", nullptr, L"Qarnet.QvExplorerCommand.1"},
    {kCommandClassKey, nullptr, L"QvExplorerCommand Class"},
    {kCommandClassKey + L"\\ProgID", nullptr, L"Qarnet.QvExplorerCommand.1"},
    {kCommandClassKey + L"\\VersionIndependentProgID", nullptr, L"Qarnet.QvExplorerCommand"},
    {kCommandClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
};

const std::wstring kTypeLibKey = std::wstring(L"TypeLib\\") + kQarnetTypeLib + L"\\1.0";
const std::wstring kInterfaceKey = L"Interface\\{5E2C7A19-B84D-4F63-9A0E-71C3D8F2B6A4}";

void ExpectRegisteredFor(const std::wstring& dllPath) {
    for (const ExpectedValue& expected : kClassValues) {
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, expected.key, expected.name), expected.value)
            << "HKCR\\" << std::string(expected.key.begin(), expected.key.end());
    }
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\Programmable"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kCommandClassKey + L"\\Programmable"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kCommandClassKey + L"\\TypeLib"));
    for (const std::wstring& classKey : {kClassKey, kCommandClassKey}) {
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32"), ShortPath(dllPath));
    }
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kApprovedKey, kQvShellExtClsid), L"QvShellExt extension");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kApprovedKey, kQvExplorerCommandClsid), L"QvExplorerCommand extension");
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kTypeLibKey), L"Qarnet 1.0 Type Library");
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, kTypeLibKey + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32")));
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kInterfaceKey), L"IQvShellExt");
}

void ExpectUnregistered() {
    for (const ExpectedValue& row : kClassValues) {
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, row.key))
            << "HKCR\\" << std::string(row.key.begin(), row.key.end());
    }
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    for (const wchar_t* clsid : {kQvShellExtClsid, kQvExplorerCommandClsid}) {
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kApprovedKey, clsid), std::nullopt);
    }
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kApprovedKey));
}

// Moves the Approved key aside for the length of a test and puts it back as it was.
class ApprovedKeyRemoved {
public:
    ApprovedKeyRemoved() {
        RegCreateKeyExW(HKEY_CURRENT_USER, kBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_backup, nullptr);
        HKEY approved = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_READ, &approved) == ERROR_SUCCESS) {
            m_saved = RegCopyTreeW(approved, nullptr, m_backup) == ERROR_SUCCESS;
            RegCloseKey(approved);
        }
        // RegDeleteTreeW with a subkey name removes that key too.
        m_removed = m_saved && RegDeleteTreeW(HKEY_LOCAL_MACHINE, kApprovedKey) == ERROR_SUCCESS &&
                    !RegKeyExists(HKEY_LOCAL_MACHINE, kApprovedKey);
    }
    ~ApprovedKeyRemoved() {
        HKEY approved = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &approved, nullptr);
        if (m_saved) {
            RegCopyTreeW(m_backup, nullptr, approved);
        }
        RegCloseKey(approved);
        RegCloseKey(m_backup);
        RegDeleteTreeW(HKEY_CURRENT_USER, kBackup);
    }
    bool Removed() const { return m_removed; }

private:
    static constexpr wchar_t kBackup[] = L"Software\\TolvaneTests\\ApprovedBackup";
    HKEY m_backup = nullptr;
    bool m_saved = false;
    bool m_removed = false;
};

TEST(QarnetRegistration, ExportsRegisterEveryKeyAndUnregisterExactlyThem) {
    LoadedQarnet qarnet;
    ASSERT_TRUE(qarnet.Loaded());
    // Never registered: unregistration has nothing to do and still succeeds.
    EXPECT_EQ(qarnet.Unregister(), S_OK);
    ExpectUnregistered();

    ASSERT_EQ(qarnet.Register(), S_OK);
    ExpectRegisteredFor(QarnetDllPath());
    // A second registration replaces the first without complaint.
    ASSERT_EQ(qarnet.Register(), S_OK);
    ExpectRegisteredFor(QarnetDllPath());

    EXPECT_EQ(qarnet.Unregister(), S_OK);
    ExpectUnregistered();
}

TEST(QarnetRegistration, Regsvr32RegistersFromAFolderWithAnApostrophe) {
    TempFolder base;
    // An 8.3-valid folder name, so that the short path still holds the apostrophe.
    const std::wstring folder = base / L"it's";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring copy = folder + L"\\Qarnet.dll";
    ASSERT_TRUE(CopyFileW(QarnetDllPath().c_str(), copy.c_str(), FALSE));
    ASSERT_NE(ShortPath(copy).find(L"it's\\"), std::wstring::npos);

    EXPECT_EQ(RunProgram(L"regsvr32.exe /s \"" + copy + L"\""), 0u);
    ExpectRegisteredFor(copy);
    const std::wstring server = ReadRegString(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32").value_or(L"");
    EXPECT_EQ(std::count(server.begin(), server.end(), L'\''), 1);

    EXPECT_EQ(RunProgram(L"regsvr32.exe /u /s \"" + copy + L"\""), 0u);
    ExpectUnregistered();
}

TEST(QarnetRegistration, WithoutTheApprovedKeyNothingIsWritten) {
    LoadedQarnet qarnet;
    ASSERT_TRUE(qarnet.Loaded());
    {
        ApprovedKeyRemoved removed;
        ASSERT_TRUE(removed.Removed());
        EXPECT_EQ(qarnet.Register(), E_ACCESSDENIED);
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L"Qarnet.QvShellExt.1"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, L"Qarnet.QvShellExt"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kCommandClassKey));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
        EXPECT_EQ(qarnet.Unregister(), S_OK);
    }
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kApprovedKey));
}

} // namespace
