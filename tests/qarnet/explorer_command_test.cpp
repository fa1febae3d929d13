// The command of the Windows 11 menu as the shell drives it: created through its ProgID after
// registration, its entry and sub-commands read back per language, and its commands invoked with item
// arrays the shell makes for real files, the passwords typed by the dialog robot.
#include <windows.h>
#include <oleidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_robot.h"
#include "expected_language.h"
#include "qarnet_fixtures.h"
#include "qarnet_world_test.h"

namespace {

namespace robot = dialog_robot;

constexpr int kMenuIconId = 202;
constexpr int kAboutVersionLabel = 201;

std::wstring GuidString(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring LongPath(const std::wstring& path) {
    std::wstring longPath(GetLongPathNameW(path.c_str(), nullptr, 0), L'\0');
    longPath.resize(GetLongPathNameW(path.c_str(), longPath.data(), static_cast<DWORD>(longPath.size())));
    return longPath;
}

// A string the command allocated, taken over and freed.
std::wstring Taken(wchar_t* text) {
    std::wstring value = text != nullptr ? text : L"<null>";
    CoTaskMemFree(text);
    return value;
}

// One sub-command as the user sees it, in menu order.
struct SubCommandRow {
    const wchar_t* english;
    const wchar_t* chinese;
    const wchar_t* canonicalName;
    const wchar_t* toolTip; // nullptr: none (E_NOTIMPL)
};
const SubCommandRow kSubCommands[] = {
    {L"Tolvane Encrypt", L"Tolvane 加密", L"{8E8E76A1-BE25-4D63-8E87-B3F744DDDB07}",
     L"This is the simple shell extension's help"},
    {L"Tolvane Decrypt", L"Tolvane 解密", L"{35E7CC82-9A2E-45E2-BA32-BC155548C077}", nullptr},
    {L"About Tolvane", L"关于 Tolvane", L"{41695A22-2BCD-477B-AE64-A6978E0AC3E5}", nullptr},
};

// A site as the shell gives one: its window owns the dialogs of a command.
class WindowSite final : public IOleWindow {
public:
    explicit WindowSite(HWND window) : m_window(window) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override {
        if (riid == IID_IUnknown || riid == IID_IOleWindow) {
            *result = static_cast<IOleWindow*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_references; }
    STDMETHODIMP_(ULONG) Release() override { return --m_references; } // lives on the test's stack
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = m_window;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    ULONG References() const { return m_references; }

private:
    HWND m_window;
    ULONG m_references = 0;
};

class ExplorerCommandTest : public QarnetWorldTest {
protected:
    // The entry, made the way the shell makes it: through the registry from the ProgID.
    static IExplorerCommand* CreateEntry() {
        CLSID clsid{};
        IExplorerCommand* entry = nullptr;
        if (FAILED(CLSIDFromProgID(L"Qarnet.QvExplorerCommand", &clsid)) ||
            FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                                    reinterpret_cast<void**>(&entry)))) {
            return nullptr;
        }
        return entry;
    }

    static std::vector<IExplorerCommand*> SubCommandsOf(IExplorerCommand* entry) {
        std::vector<IExplorerCommand*> commands;
        IEnumExplorerCommand* enumerator = nullptr;
        if (FAILED(entry->EnumSubCommands(&enumerator))) {
            return commands;
        }
        IExplorerCommand* fetched[4] = {};
        ULONG count = 0;
        EXPECT_EQ(enumerator->Next(4, fetched, &count), S_FALSE) << "exactly three sub-commands";
        commands.assign(fetched, fetched + count);
        enumerator->Release();
        return commands;
    }

    static void Release(std::vector<IExplorerCommand*>& commands) {
        for (IExplorerCommand* command : commands) {
            command->Release();
        }
        commands.clear();
    }

    // The item array the shell makes for these items; withVirtualItem adds "My Computer", an item that
    // has no file-system path.
    static IShellItemArray* ItemArrayFor(const std::vector<std::wstring>& paths, bool withVirtualItem = false) {
        std::vector<PIDLIST_ABSOLUTE> items;
        for (const std::wstring& path : paths) {
            PIDLIST_ABSOLUTE item = nullptr;
            if (SUCCEEDED(SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr))) {
                items.push_back(item);
            }
        }
        PIDLIST_ABSOLUTE computer = nullptr;
        if (withVirtualItem && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer))) {
            items.push_back(computer);
        }
        IShellItemArray* array = nullptr;
        if (items.size() == paths.size() + (withVirtualItem ? 1 : 0)) {
            SHCreateShellItemArrayFromIDLists(static_cast<UINT>(items.size()),
                                              const_cast<PCIDLIST_ABSOLUTE_ARRAY>(items.data()), &array);
        }
        for (PIDLIST_ABSOLUTE item : items) {
            CoTaskMemFree(item);
        }
        return array;
    }

    static HRESULT Invoke(IExplorerCommand* command, IShellItemArray* items, const std::function<void()>& script) {
        HRESULT hr = E_PENDING;
        robot::RunModal(
            [&] {
                hr = command->Invoke(items, nullptr);
                return INT_PTR{0};
            },
            script);
        return hr;
    }
};

TEST_F(ExplorerCommandTest, EntryAndSubCommandsInTheSystemLanguage) {
    IExplorerCommand* entry = CreateEntry();
    ASSERT_NE(entry, nullptr);
    wchar_t* text = nullptr;
    ASSERT_EQ(entry->GetTitle(nullptr, &text), S_OK);
    EXPECT_EQ(Taken(text), L"Tolvane");
    EXPCMDFLAGS flags = ~0u;
    EXPECT_EQ(entry->GetFlags(&flags), S_OK);
    EXPECT_EQ(flags, static_cast<EXPCMDFLAGS>(ECF_HASSUBCOMMANDS));
    GUID name{};
    EXPECT_EQ(entry->GetCanonicalName(&name), S_OK);
    EXPECT_EQ(GuidString(name), kQvExplorerCommandClsid);
    EXPCMDSTATE state = ~0u;
    EXPECT_EQ(entry->GetState(nullptr, FALSE, &state), S_OK);
    EXPECT_EQ(state, static_cast<EXPCMDSTATE>(ECS_ENABLED));
    ASSERT_EQ(entry->GetIcon(nullptr, &text), S_OK);
    const std::wstring icon = Taken(text);

    // The icon: Qarnet.dll by its full path and a padlock resource in it, small and large.
    const size_t comma = icon.rfind(L',');
    ASSERT_NE(comma, std::wstring::npos) << testing::PrintToString(icon);
    const std::wstring iconFile = icon.substr(0, comma);
    EXPECT_EQ(_wcsicmp(iconFile.c_str(), LongPath(QarnetDllPath()).c_str()), 0) << testing::PrintToString(icon);
    EXPECT_EQ(icon.substr(comma), L",-" + std::to_wstring(kMenuIconId));
    HICON large = nullptr;
    HICON small = nullptr;
    EXPECT_EQ(ExtractIconExW(iconFile.c_str(), -kMenuIconId, &large, &small, 1), 2u);
    EXPECT_NE(large, nullptr);
    EXPECT_NE(small, nullptr);
    DestroyIcon(large);
    DestroyIcon(small);
    HMODULE resources = LoadLibraryExW(iconFile.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(resources, nullptr);
    for (int size : {16, 32}) {
        HICON image =
            static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(kMenuIconId), IMAGE_ICON, size, size, 0));
        ASSERT_NE(image, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(image, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmBitsPixel, 32) << "drawn with an alpha channel";
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(image);
    }
    FreeLibrary(resources);

    std::vector<IExplorerCommand*> commands = SubCommandsOf(entry);
    ASSERT_EQ(commands.size(), std::size(kSubCommands));
    const bool chinese = ChineseExpected();
    for (size_t i = 0; i < commands.size(); ++i) {
        const SubCommandRow& row = kSubCommands[i];
        IExplorerCommand* command = commands[i];
        ASSERT_EQ(command->GetTitle(nullptr, &text), S_OK);
        EXPECT_EQ(Taken(text), chinese ? row.chinese : row.english);
        EXPECT_EQ(command->GetFlags(&flags), S_OK);
        EXPECT_EQ(flags, static_cast<EXPCMDFLAGS>(ECF_DEFAULT)) << i;
        EXPECT_EQ(command->GetCanonicalName(&name), S_OK);
        EXPECT_EQ(GuidString(name), row.canonicalName);
        EXPECT_EQ(command->GetState(nullptr, FALSE, &state), S_OK);
        EXPECT_EQ(state, static_cast<EXPCMDSTATE>(ECS_ENABLED));
        ASSERT_EQ(command->GetIcon(nullptr, &text), S_OK);
        EXPECT_EQ(Taken(text), icon);
        text = nullptr;
        const HRESULT toolTip = command->GetToolTip(nullptr, &text);
        if (row.toolTip != nullptr) {
            ASSERT_EQ(toolTip, S_OK);
            EXPECT_EQ(Taken(text), row.toolTip);
        } else {
            EXPECT_EQ(toolTip, E_NOTIMPL) << i;
            EXPECT_EQ(text, nullptr);
        }
        IEnumExplorerCommand* none = nullptr;
        EXPECT_EQ(command->EnumSubCommands(&none), E_NOTIMPL);
    }
    Release(commands);
    entry->Release();
}

// The walk below the folder (subfolders, files of many chunks) is the classic menu's round trip's
// (commands_test.cpp): both menus hand their selection to the same command. Here the way there: the shell's
// item array, the site's window, and each sub-command reaching its own conversion.
TEST_F(ExplorerCommandTest, EncryptThenDecryptAFolderFromTheShellsItemArray) {
    const std::wstring docs = m_folder / L"docs";
    ASSERT_TRUE(CreateDirectoryW(docs.c_str(), nullptr));
    const std::string alpha = "alpha text";
    ASSERT_TRUE(WriteBytes(docs + L"\\a.txt", alpha));
    IShellItemArray* items = ItemArrayFor({docs}, true);
    ASSERT_NE(items, nullptr);
    DWORD count = 0;
    ASSERT_EQ(items->GetCount(&count), S_OK);
    ASSERT_EQ(count, 2u) << "the folder and an item outside the file system";

    // The shell's window owns the dialogs through the site it gives the entry.
    HWND shellWindow =
        CreateWindowW(L"STATIC", L"shell", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(shellWindow, nullptr);
    WindowSite site(shellWindow);
    IExplorerCommand* entry = CreateEntry();
    ASSERT_NE(entry, nullptr);
    IObjectWithSite* withSite = nullptr;
    ASSERT_EQ(entry->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)), S_OK);
    EXPECT_EQ(withSite->SetSite(&site), S_OK);
    std::vector<IExplorerCommand*> commands = SubCommandsOf(entry);
    ASSERT_EQ(commands.size(), 3u);

    HWND owner = nullptr;
    EXPECT_EQ(Invoke(commands[0], items,
                     [&] {
                         HWND dialog = robot::WaitForDialogWithControl(kEncryptPasswordEdit);
                         ASSERT_NE(dialog, nullptr);
                         owner = GetWindow(dialog, GW_OWNER);
                         robot::Type(dialog, kEncryptPasswordEdit, L"pass word");
                         robot::Type(dialog, kEncryptConfirmEdit, L"pass word");
                         robot::Click(dialog, IDOK);
                     }),
              S_OK);
    EXPECT_EQ(owner, shellWindow);
    const std::vector<std::wstring> encrypted = ListNames(docs);
    ASSERT_EQ(encrypted.size(), 1u);
    EXPECT_TRUE(EndsWithEnc(encrypted[0])) << testing::PrintToString(encrypted[0]);

    EXPECT_EQ(Invoke(commands[1], items,
                     [] {
                         HWND dialog = robot::WaitForDialogWithControl(kDecryptPasswordEdit);
                         ASSERT_NE(dialog, nullptr);
                         robot::Type(dialog, kDecryptPasswordEdit, L"pass word");
                         robot::Click(dialog, IDOK);
                     }),
              S_OK);
    EXPECT_EQ(ListNames(docs), (std::vector<std::wstring>{L"a.txt"}));
    EXPECT_EQ(ReadText(docs + L"\\a.txt"), alpha);

    // About needs no selection.
    EXPECT_EQ(Invoke(commands[2], nullptr,
                     [] {
                         HWND about = robot::WaitForDialogWithControl(kAboutVersionLabel);
                         ASSERT_NE(about, nullptr);
                         robot::Click(about, IDOK);
                         robot::WaitUntilClosed(about);
                     }),
              S_OK);

    Release(commands);
    withSite->SetSite(nullptr);
    withSite->Release();
    entry->Release();
    items->Release();
    EXPECT_EQ(site.References(), 0u) << "every command let its site go";
    DestroyWindow(shellWindow);
}

TEST_F(ExplorerCommandTest, RefusedWhileTheClassicCommandRuns) {
    const std::wstring file = m_folder / L"one.txt";
    ASSERT_TRUE(WriteBytes(file, "one"));
    IContextMenu* classic = InitialisedHandlerFor({file});
    ASSERT_NE(classic, nullptr);
    IExplorerCommand* entry = CreateEntry();
    ASSERT_NE(entry, nullptr);
    std::vector<IExplorerCommand*> commands = SubCommandsOf(entry);
    ASSERT_EQ(commands.size(), 3u);
    IShellItemArray* items = ItemArrayFor({file});
    ASSERT_NE(items, nullptr);

    // While the classic command's password dialog pumps messages, the Windows 11 menu's command starts on
    // the same thread.
    HRESULT explorerResult = E_PENDING;
    PostedAction explorerCommand([&] { explorerResult = commands[0]->Invoke(items, nullptr); });
    ASSERT_TRUE(explorerCommand.Ready());

    robot::MessageBoxInfo refusal;
    HRESULT classicResult = E_PENDING;
    robot::RunModal(
        [&] {
            CMINVOKECOMMANDINFO info{};
            info.cbSize = sizeof(info);
            info.lpVerb = MAKEINTRESOURCEA(0);
            classicResult = classic->InvokeCommand(&info);
            return INT_PTR{0};
        },
        [&] {
            HWND dialog = robot::WaitForDialogWithControl(kEncryptPasswordEdit);
            ASSERT_NE(dialog, nullptr);
            explorerCommand.Post();
            refusal = robot::WaitForMessageBox();
            if (refusal) {
                robot::DismissMessageBox(refusal.window);
            }
            robot::Click(dialog, IDCANCEL);
        });
    items->Release();
    Release(commands);
    entry->Release();
    classic->Release();

    EXPECT_EQ(classicResult, S_OK);
    EXPECT_EQ(explorerResult, S_OK);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal.caption, L"Tolvane");
    EXPECT_EQ(refusal.text,
              InLanguage(L"Another Tolvane operation is in progress.", L"另一个 Tolvane 操作正在进行中。"));
    EXPECT_EQ(ReadText(file), "one");
}

TEST_F(ExplorerCommandTest, HiddenAndRefusedOverThe1024ItemLimit) {
    if (ExpectedSystemLangId().value_or(0x0409) != 0x0409) {
        GTEST_SKIP() << "the limit does not depend on the language; checked in the English run";
    }
    std::vector<std::wstring> paths;
    for (int i = 0; i < 1025; ++i) {
        paths.push_back(m_folder / (L"item" + std::to_wstring(i) + L".txt"));
        ASSERT_TRUE(WriteBytes(paths.back(), "x"));
    }
    IShellItemArray* over = ItemArrayFor(paths);
    paths.pop_back();
    IShellItemArray* within = ItemArrayFor(paths);
    ASSERT_NE(over, nullptr);
    ASSERT_NE(within, nullptr);
    IExplorerCommand* entry = CreateEntry();
    ASSERT_NE(entry, nullptr);
    std::vector<IExplorerCommand*> commands = SubCommandsOf(entry);
    commands.insert(commands.begin(), entry);
    ASSERT_EQ(commands.size(), 4u);
    for (IExplorerCommand* command : commands) {
        EXPCMDSTATE state = ~0u;
        EXPECT_EQ(command->GetState(within, FALSE, &state), S_OK);
        EXPECT_EQ(state, static_cast<EXPCMDSTATE>(ECS_ENABLED));
        EXPECT_EQ(command->GetState(over, FALSE, &state), S_OK);
        EXPECT_EQ(state, static_cast<EXPCMDSTATE>(ECS_HIDDEN));
    }
    // Invoked all the same, the commands refuse without a dialog (one would be cancelled by the robot,
    // and the command would then report success).
    for (size_t i = 1; i < commands.size(); ++i) {
        EXPECT_EQ(Invoke(commands[i], over, [] {}), E_INVALIDARG) << i;
    }
    commands.erase(commands.begin());
    Release(commands);
    entry->Release();
    over->Release();
    within->Release();
    EXPECT_EQ(ListNames(m_folder.root()).size(), 1025u) << "nothing converted";
}

} // namespace
