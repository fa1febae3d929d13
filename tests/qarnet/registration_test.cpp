// Registration and unregistration of Qarnet.dll in the prefix's real registry, through regsvr32 and
// through the exports: what COM and Explorer then find, and that unregistration leaves nothing behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "qarnet_fixtures.h"

namespace {

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kQvShellExtClsid;
const std::wstring kCommandClassKey = std::wstring(L"CLSID\\") + kQvExplorerCommandClsid;

const std::wstring kTypeLibKey = std::wstring(L"TypeLib\\") + kQarnetTypeLib + L"\\1.0";
const std::wstring kInterfaceKey = L"Interface\\{5E2C7A19-B84D-4F63-9A0E-71C3D8F2B6A4}";

// The two classes as COM and Explorer know them: by their identifiers and their ProgIDs.
struct RegisteredClass {
    std::wstring progId;
    const wchar_t* clsid;
    bool automation;
};
const RegisteredClass kClasses[] = {
    {L"Qarnet.QvShellExt", kQvShellExtClsid, true},
    {L"Qarnet.QvExplorerCommand", kQvExplorerCommandClsid, false},
};

CLSID ClsidOf(const wchar_t* text) {
    CLSID clsid{};
    CLSIDFromString(text, &clsid);
    return clsid;
}

// What COM finds for a ProgID; nothing when it finds no class.
std::optional<CLSID> ResolvedProgId(const std::wstring& progId) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) {
        return std::nullopt;
    }
    return clsid;
}

std::optional<std::wstring> ProgIdOf(const wchar_t* clsid) {
    LPOLESTR progId = nullptr;
    if (FAILED(ProgIDFromCLSID(ClsidOf(clsid), &progId))) {
        return std::nullopt;
    }
    std::wstring text = progId;
    CoTaskMemFree(progId);
    return text;
}

// What COM and Explorer find once the module is registered: each class by its ProgID, its versioned
// ProgID (the current version) and back, served in the apartment model from the module's short path, approved for
// Explorer; the automation class with its type library, which loads.
void ExpectRegisteredFor(const std::wstring& dllPath) {
    const OleSession ole;
    for (const RegisteredClass& registered : kClasses) {
        const std::string name(registered.progId.begin(), registered.progId.end());
        const CLSID clsid = ClsidOf(registered.clsid);
        for (const std::wstring& progId : {registered.progId, registered.progId + L".1"}) {
            const std::optional<CLSID> resolved = ResolvedProgId(progId);
            EXPECT_TRUE(resolved && IsEqualCLSID(*resolved, clsid)) << name;
        }
        EXPECT_EQ(ProgIdOf(registered.clsid), registered.progId + L".1") << name;
        // A tool that follows the version-independent ProgID to the current one gets the same class.
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, registered.progId + L"\\CurVer"), registered.progId + L".1") << name;
        const std::wstring classKey = std::wstring(L"CLSID\\") + registered.clsid;
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32"), ShortPath(dllPath)) << name;
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment")
            << name;
        EXPECT_EQ(RegKeyExists(HKEY_CLASSES_ROOT, classKey + L"\\Programmable"), registered.automation) << name;
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, classKey + L"\\TypeLib").has_value(), registered.automation) << name;
        EXPECT_TRUE(ReadRegString(HKEY_LOCAL_MACHINE, kApprovedKey, registered.clsid).has_value()) << name;
    }
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kClassKey + L"\\TypeLib"), kQarnetTypeLib);
    ITypeLib* library = nullptr;
    EXPECT_EQ(LoadRegTypeLib(ClsidOf(kQarnetTypeLib), 1, 0, 0, &library), S_OK);
    if (library != nullptr) {
        library->Release();
    }
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, kTypeLibKey + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32")));
    EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kInterfaceKey), L"IQvShellExt");
}

// Nothing of what registration wrote is left, and what others share is still there: COM finds neither
// class by any name, each key registration made is gone with everything below it, Explorer's approval
// is withdrawn and the type library is unregistered.
void ExpectUnregistered() {
    const OleSession ole;
    for (const RegisteredClass& registered : kClasses) {
        const std::string name(registered.progId.begin(), registered.progId.end());
        for (const std::wstring& progId : {registered.progId, registered.progId + L".1"}) {
            EXPECT_FALSE(ResolvedProgId(progId).has_value()) << name;
            EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, progId)) << name;
        }
        EXPECT_EQ(ProgIdOf(registered.clsid), std::nullopt) << name;
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + registered.clsid)) << name;
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kApprovedKey, registered.clsid), std::nullopt) << name;
    }
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
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
