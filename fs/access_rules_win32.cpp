// Passing a file's own access rules on to its output (contract in access_rules_win32.h).
#include "access_rules_win32.h"

#include <aclapi.h>

#include "unique_handle.h"

bool HasOwnAccessRules(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorControl(descriptor, &control, &revision)) {
        return false;
    }
    if ((control & SE_DACL_PROTECTED) != 0) {
        return true;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) || !present || list == nullptr) {
        return false;
    }
    for (DWORD index = 0; index < list->AceCount; ++index) {
        void* entry = nullptr;
        if (GetAce(list, index, &entry) && (static_cast<ACE_HEADER*>(entry)->AceFlags & INHERITED_ACE) == 0) {
            return true;
        }
    }
    return false;
}

bool PassOnAccessRules(HANDLE source, HANDLE output) {
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(source, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &list, nullptr, &raw) != ERROR_SUCCESS) {
        return true; // a file system without access lists: the output is as any new file there
    }
    const UniqueHandle<LocalMemoryTraits<PSECURITY_DESCRIPTOR>> descriptor(raw);
    if (!HasOwnAccessRules(descriptor.get())) {
        return true;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor.get(), &control, &revision);
    const SECURITY_INFORMATION protection = (control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                               : UNPROTECTED_DACL_SECURITY_INFORMATION;
    const DWORD status = SetSecurityInfo(output, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr,
                                         nullptr, list, nullptr);
    if (status != ERROR_SUCCESS) {
        SetLastError(status);
        return false;
    }
    // The owner too, where the handle allows it; otherwise the output stays its maker's.
    SetSecurityInfo(output, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
    return true;
}
