// The handler as Explorer drives it: created through the registry, initialised with the shell's own data
// object, the menu read back item by item, the help text and the refused requests. Run per language.
#include <windows.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expected_language.h"
#include "qarnet_fixtures.h"
#include "qarnet_world_test.h"

namespace {

struct MenuEntry {
    UINT type;
    UINT id;
    std::wstring caption;
    HBITMAP checked;
    HBITMAP unchecked;
};

std::vector<MenuEntry> ReadMenu(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t caption[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_CHECKMARKS;
        info.dwTypeData = caption;
        info.cch = static_cast<UINT>(std::size(caption));
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        entries.push_back({info.fType, info.wID, caption, info.hbmpChecked, info.hbmpUnchecked});
    }
    return entries;
}

class ContextMenuTest : public QarnetWorldTest {
protected:
    void SetUp() override {
        QarnetWorldTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(CoCreateInstance(CLSID_QvShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                   reinterpret_cast<void**>(&m_init)),
                  S_OK);
        ASSERT_EQ(m_init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&m_menu)), S_OK);
    }
    void TearDown() override {
        if (m_menu != nullptr) {
            m_menu->Release();
        }
        if (m_init != nullptr) {
            m_init->Release();
        }
    }

    // Makes count files in the folder and hands them to Initialize as Explorer would.
    HRESULT InitializeWithFiles(int count) {
        std::vector<std::wstring> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(m_folder / (L"item" + std::to_wstring(i) + L".txt"));
            if (!WriteBytes(paths.back(), "x")) {
                return E_FAIL;
            }
        }
        IDataObject* data = ShellDataObjectFor(paths);
        if (data == nullptr) {
            return E_FAIL;
        }
        const HRESULT hr = m_init->Initialize(nullptr, data, nullptr);
        data->Release();
        return hr;
    }

    IShellExtInit* m_init = nullptr;
    IContextMenu* m_menu = nullptr;
};

TEST_F(ContextMenuTest, MenuHoldsFiveEntriesInTheSystemLanguage) {
    ASSERT_EQ(InitializeWithFiles(2), S_OK);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"Open");
    AppendMenuW(menu, MF_STRING, 2, L"Properties");

    EXPECT_EQ(m_menu->QueryContextMenu(menu, 1, 100, 200, CMF_DEFAULTONLY), S_OK);
    EXPECT_EQ(GetMenuItemCount(menu), 2) << "nothing for the default-only request";

    const HRESULT hr = m_menu->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL);
    EXPECT_TRUE(SUCCEEDED(hr));
    EXPECT_EQ(HRESULT_CODE(hr), 3);

    const bool chinese = ChineseExpected();
    const std::vector<MenuEntry> entries = ReadMenu(menu);
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[0].caption, L"Open");
    EXPECT_EQ(entries[1].type & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
    const wchar_t* captions[] = {chinese ? L"Tolvane 加密" : L"Tolvane Encrypt",
                                 chinese ? L"Tolvane 解密" : L"Tolvane Decrypt",
                                 chinese ? L"关于 Tolvane" : L"About Tolvane"};
    for (UINT offset = 0; offset < 3; ++offset) {
        const MenuEntry& entry = entries[2 + offset];
        EXPECT_EQ(entry.type & MFT_SEPARATOR, 0u);
        EXPECT_EQ(entry.id, 100 + offset);
        EXPECT_EQ(entry.caption, captions[offset]);
        EXPECT_NE(entry.checked, nullptr);
        EXPECT_EQ(entry.checked, entry.unchecked);
        EXPECT_EQ(entry.checked, entries[2].checked) << "one bitmap for every item";
    }
    EXPECT_EQ(entries[5].type & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(entries[6].caption, L"Properties");

    BITMAP bitmap{};
    ASSERT_NE(GetObjectW(entries[2].checked, sizeof(bitmap), &bitmap), 0);
    EXPECT_EQ(bitmap.bmWidth, 13);
    EXPECT_EQ(bitmap.bmHeight, 13);
    SIZE recorded{};
    GetBitmapDimensionEx(entries[2].checked, &recorded);
    EXPECT_EQ(recorded.cx, GetSystemMetrics(SM_CXMENUCHECK));
    EXPECT_EQ(recorded.cy, GetSystemMetrics(SM_CYMENUCHECK));
    DestroyMenu(menu);

    // A second menu of another object shows the same bitmap: it belongs to the module.
    HMENU other = CreatePopupMenu();
    IContextMenu* second = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_QvShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu,
                               reinterpret_cast<void**>(&second)),
              S_OK);
    second->QueryContextMenu(other, 0, 1, 10, CMF_NORMAL);
    second->Release();
    EXPECT_EQ(ReadMenu(other)[1].checked, entries[2].checked);
    BITMAP still{};
    EXPECT_NE(GetObjectW(entries[2].checked, sizeof(still), &still), 0) << "alive after its menu is gone";
    DestroyMenu(other);
}

TEST_F(ContextMenuTest, HelpTextAndRefusedRequests) {
    wchar_t wide[10];
    wmemset(wide, L'#', 10);
    EXPECT_EQ(m_menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 10), S_OK);
    EXPECT_EQ(std::wstring(wide), L"This is t");
    char narrow[10];
    memset(narrow, '#', 10);
    EXPECT_EQ(m_menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, narrow, 10), S_OK);
    EXPECT_EQ(std::string(narrow), "This is t");
    wchar_t whole[64] = {};
    EXPECT_EQ(m_menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(whole), 64), S_OK);
    EXPECT_EQ(std::wstring(whole), L"This is the simple shell extension's help");

    for (UINT_PTR offset : {1, 2, 3}) {
        EXPECT_EQ(m_menu->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(whole), 64),
                  E_INVALIDARG);
        EXPECT_EQ(m_menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, narrow, 10), E_INVALIDARG);
    }
    for (UINT request : {GCS_VERBW, GCS_VERBA, GCS_VALIDATEW, GCS_VALIDATEA}) {
        EXPECT_EQ(m_menu->GetCommandString(0, request, nullptr, reinterpret_cast<char*>(whole), 64), E_INVALIDARG);
    }

    ASSERT_EQ(InitializeWithFiles(1), S_OK);
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof(invoke);
    invoke.lpVerb = "open";
    EXPECT_EQ(m_menu->InvokeCommand(&invoke), E_INVALIDARG);
    invoke.lpVerb = MAKEINTRESOURCEA(3);
    EXPECT_EQ(m_menu->InvokeCommand(&invoke), E_INVALIDARG);
}

TEST_F(ContextMenuTest, SelectionOfUpTo1024Items) {
    if (ExpectedSystemLangId().value_or(0x0409) != 0x0409) {
        GTEST_SKIP() << "the limit does not depend on the language; checked in the English run";
    }
    EXPECT_EQ(InitializeWithFiles(1024), S_OK);
    EXPECT_EQ(InitializeWithFiles(1025), E_INVALIDARG);
    // A failed Initialize leaves no list: the command ends at once, without a dialog.
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof(invoke);
    invoke.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(m_menu->InvokeCommand(&invoke), S_OK);
    EXPECT_EQ(m_init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
}

} // namespace
