// IQvShellExt as the open-file mode uses it: decrypt one container after asking for its password, encrypt
// the plain file again with the remembered password; early-bound and late-bound through IDispatch.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "container.h"
#include "dialog_robot.h"
#include "qarnet_fixtures.h"
#include "qarnet_world_test.h"

namespace {

namespace robot = dialog_robot;

unsigned short* Units(std::wstring& text) {
    return reinterpret_cast<unsigned short*>(text.data());
}
unsigned short* Units(wchar_t* text) {
    return reinterpret_cast<unsigned short*>(text);
}

void AnswerPassword(const std::wstring& password) {
    HWND dialog = robot::WaitForDialogWithControl(kDecryptPasswordEdit);
    ASSERT_NE(dialog, nullptr);
    robot::Type(dialog, kDecryptPasswordEdit, password);
    robot::Click(dialog, IDOK);
}

void CancelPassword() {
    HWND dialog = robot::WaitForDialogWithControl(kDecryptPasswordEdit);
    ASSERT_NE(dialog, nullptr);
    robot::Click(dialog, IDCANCEL);
}

class AutomationTest : public QarnetWorldTest {
protected:
    void SetUp() override {
        QarnetWorldTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(CoCreateInstance(CLSID_QvShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IQvShellExt,
                                   reinterpret_cast<void**>(&m_object)),
                  S_OK);
    }
    void TearDown() override {
        if (m_object != nullptr) {
            m_object->Release();
        }
    }

    // A container made by the engine from a plain file of the given name; its path.
    std::wstring MakeContainer(const std::wstring& name, const std::string& bytes, const wchar_t* password) {
        const std::wstring plain = m_folder / name;
        if (!WriteBytes(plain, bytes) || EncryptOneFile(plain.c_str(), password) != 1) {
            return {};
        }
        for (const std::wstring& entry : ListNames(m_folder.root())) {
            if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, L".ENC") == 0 &&
                entry.find(name.substr(0, name.find(L'.'))) == 0) {
                return m_folder / entry;
            }
        }
        return {};
    }

    HRESULT DecryptWith(const std::function<void()>& script, std::wstring container, wchar_t* restored) {
        HRESULT hr = E_FAIL;
        robot::RunModal(
            [&] {
                hr = m_object->QvDecFile(Units(container), Units(restored));
                return INT_PTR{0};
            },
            script);
        return hr;
    }

    IQvShellExt* m_object = nullptr;
};

TEST_F(AutomationTest, DecryptThenEncryptAgainWithTheRememberedPassword) {
    std::wstring empty;
    wchar_t restored[kRestoredNameUnits] = L"untouched";
    std::wstring plainPath = m_folder / L"report.txt";
    // Nothing remembered yet, and no path: nothing happens.
    EXPECT_EQ(m_object->QvEncFile(Units(plainPath)), S_FALSE);
    EXPECT_EQ(m_object->QvDecFile(nullptr, Units(restored)), S_FALSE);
    EXPECT_EQ(m_object->QvDecFile(Units(empty), Units(restored)), S_FALSE);
    EXPECT_EQ(std::wstring(restored), L"untouched");

    const std::wstring container = MakeContainer(L"report.txt", "quarterly numbers", L"right");
    ASSERT_FALSE(container.empty());
    EXPECT_EQ(DecryptWith(CancelPassword, container, restored), S_FALSE);
    EXPECT_EQ(std::wstring(restored), L"untouched");
    EXPECT_TRUE(FileExists(container));

    EXPECT_EQ(DecryptWith([] { AnswerPassword(L"right"); }, container, restored), S_OK);
    EXPECT_EQ(std::wstring(restored), L"report.txt");
    EXPECT_EQ(ReadText(plainPath), "quarterly numbers");
    EXPECT_FALSE(FileExists(container));

    EXPECT_EQ(m_object->QvEncFile(Units(empty)), S_FALSE) << "no path: the password stays";
    EXPECT_EQ(m_object->QvEncFile(Units(plainPath)), S_OK);
    EXPECT_FALSE(FileExists(plainPath));
    EXPECT_TRUE(FileExists(container));
    EXPECT_EQ(m_object->QvEncFile(Units(plainPath)), S_FALSE) << "the password was used up";

    // A wrong password: the engine's message, S_FALSE, the name the last restored file got, and the wrong
    // password is what a following QvEncFile uses.
    wcscpy(restored, L"untouched");
    robot::MessageBoxInfo message;
    EXPECT_EQ(DecryptWith(
                  [&] {
                      AnswerPassword(L"wrong");
                      message = robot::WaitForMessageBox();
                      if (message) {
                          robot::DismissMessageBox(message.window);
                      }
                  },
                  container, restored),
              S_FALSE);
    EXPECT_TRUE(message);
    EXPECT_EQ(message.caption, L"Tolvane");
    EXPECT_EQ(std::wstring(restored), L"report.txt");
    EXPECT_TRUE(FileExists(container));
    std::wstring other = m_folder / L"other.txt";
    ASSERT_TRUE(WriteBytes(other, "other"));
    EXPECT_EQ(m_object->QvEncFile(Units(other)), S_OK);
    EXPECT_FALSE(FileExists(other));
    bool reopened = false;
    for (const std::wstring& entry : ListNames(m_folder.root())) {
        if (entry.find(L"other") == 0) {
            reopened = DecryptOneFile((m_folder / entry).c_str(), L"wrong") == 1;
        }
    }
    EXPECT_TRUE(reopened) << "encrypted with the password the decryption was given";
}

TEST_F(AutomationTest, LateBoundCallsThroughTheTypeLibrary) {
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* typeInfo = nullptr;
    ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &typeInfo), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(typeInfo->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, IID_IQvShellExt);
    typeInfo->ReleaseTypeAttr(attributes);
    typeInfo->Release();

    DISPID ids[2] = {};
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"QvDecFile"), const_cast<LPOLESTR>(L"QvEncFile")};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &names[0], 1, LOCALE_USER_DEFAULT, &ids[0]), S_OK);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &names[1], 1, LOCALE_USER_DEFAULT, &ids[1]), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 2);
    LPOLESTR unknown = const_cast<LPOLESTR>(L"Encrypt");
    DISPID none = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &none), DISP_E_UNKNOWNNAME);

    const std::wstring container = MakeContainer(L"late.txt", "late bound", L"pw");
    ASSERT_FALSE(container.empty());
    std::wstring containerText = container;
    wchar_t restored[kRestoredNameUnits] = {};
    // Both parameters are pointers to unsigned 16-bit units; arguments go in reverse order.
    VARIANT decryptArguments[2];
    VariantInit(&decryptArguments[0]);
    VariantInit(&decryptArguments[1]);
    V_VT(&decryptArguments[1]) = VT_BYREF | VT_UI2;
    V_UI2REF(&decryptArguments[1]) = Units(containerText);
    V_VT(&decryptArguments[0]) = VT_BYREF | VT_UI2;
    V_UI2REF(&decryptArguments[0]) = Units(restored);
    DISPPARAMS decryptParams = {decryptArguments, nullptr, 2, 0};
    HRESULT invoked = E_FAIL;
    robot::RunModal(
        [&] {
            invoked = dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &decryptParams, nullptr,
                                       nullptr, nullptr);
            return INT_PTR{0};
        },
        [] { AnswerPassword(L"pw"); });
    EXPECT_EQ(invoked, S_OK);
    EXPECT_EQ(std::wstring(restored), L"late.txt");
    const std::wstring plain = m_folder / L"late.txt";
    EXPECT_EQ(ReadText(plain), "late bound");

    std::wstring plainText = plain;
    VARIANT encryptArgument;
    VariantInit(&encryptArgument);
    V_VT(&encryptArgument) = VT_BYREF | VT_UI2;
    V_UI2REF(&encryptArgument) = Units(plainText);
    DISPPARAMS encryptParams = {&encryptArgument, nullptr, 1, 0};
    EXPECT_EQ(
        dispatch->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &encryptParams, nullptr, nullptr, nullptr),
        S_OK);
    EXPECT_FALSE(FileExists(plain));
    EXPECT_TRUE(FileExists(container));
    EXPECT_EQ(dispatch->Invoke(1, IID_IUnknown, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &encryptParams, nullptr, nullptr,
                               nullptr),
              DISP_E_UNKNOWNINTERFACE);
    dispatch->Release();
}

} // namespace
