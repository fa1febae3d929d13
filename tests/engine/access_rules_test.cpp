// A file's own access rules on Windows pass to its container and back; rules inherited from the folder
// are left to inheritance. Wine synthesizes access lists from mode bits, so the decision is tested on
// descriptors built in memory, and the round trip where Wine keeps what was set.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "access_rules_win32.h"
#include "engine_test_files.h"
#include "full_path.h"
#include "unique_handle.h"

namespace {

using Descriptor = UniqueHandle<LocalMemoryTraits<PSECURITY_DESCRIPTOR>>;

Descriptor FromText(const wchar_t* text) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &raw, nullptr);
    return Descriptor(raw);
}

TEST(AccessRules, OnlyProtectedOrExplicitListsAreAFilesOwn) {
    struct Case {
        const wchar_t* descriptor;
        bool own;
    };
    const Case cases[] = {
        {L"D:P(A;;FA;;;SY)", true},                // protected
        {L"D:(A;;FA;;;WD)", true},                 // an explicit entry
        {L"D:AI(A;ID;FA;;;SY)(A;;FR;;;WD)", true}, // inherited and explicit
        {L"D:AI(A;ID;FA;;;SY)(A;ID;FR;;;BU)", false},
        {L"O:SY", false}, // no access list at all
    };
    for (const Case& item : cases) {
        const Descriptor descriptor = FromText(item.descriptor);
        ASSERT_TRUE(descriptor) << item.descriptor;
        EXPECT_EQ(HasOwnAccessRules(descriptor.get()), item.own) << item.descriptor;
    }
}

std::wstring ListOf(const PathString& path) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetNamedSecurityInfoW(LongFormPath(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &list, nullptr, &raw) != ERROR_SUCCESS) {
        return {};
    }
    const Descriptor descriptor(raw);
    wchar_t* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.get(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                         &text, nullptr);
    const UniqueHandle<LocalMemoryTraits<wchar_t*>> owned(text);
    return text != nullptr ? std::wstring(text) : std::wstring();
}

TEST(AccessRules, AProtectedListTravelsThroughTheContainer) {
    TempFolder folder;
    const PathString plain = folder / L"p.txt";
    ASSERT_TRUE(WriteBytes(plain, PatternBytes(100)));
    const Descriptor wanted = FromText(L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;WD)");
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(wanted.get(), &present, &list, &defaulted));
    std::wstring path = LongFormPath(plain);
    ASSERT_EQ(SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    list, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    const std::wstring before = ListOf(plain);
    if (before.find(L"D:P") != 0) {
        GTEST_SKIP() << "this system does not keep an access list that is set: "
                     << std::string(before.begin(), before.end());
    }
    ASSERT_EQ(EncryptToContainer(plain.c_str(), kTestPassword).outcome, ConvertOutcome::Converted);
    EXPECT_EQ(ListOf(folder / L"p_txt.ENC"), before);
    ASSERT_EQ(DecryptFromContainer((folder / L"p_txt.ENC").c_str(), kTestPassword).outcome, ConvertOutcome::Converted);
    EXPECT_EQ(ListOf(plain), before);
}

} // namespace
