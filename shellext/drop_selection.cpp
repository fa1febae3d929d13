// Reading the drop list: each item's length is asked first, so no path is ever cut; a list that cannot
// be read whole is not kept at all.
#include "drop_selection.h"

#include <shellapi.h>

#include <new>

namespace {

// The medium GetData filled, released exactly once.
class StorageMedium {
public:
    StorageMedium() = default;
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    ~StorageMedium() {
        if (m_filled) {
            ReleaseStgMedium(&m_medium);
        }
    }

    STGMEDIUM* Fill() {
        m_filled = true;
        return &m_medium;
    }
    HGLOBAL Memory() const { return m_medium.hGlobal; }

private:
    STGMEDIUM m_medium{};
    bool m_filled = false;
};

class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory) : m_memory(memory), m_data(GlobalLock(memory)) {}
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    ~GlobalLockScope() {
        if (m_data != nullptr) {
            GlobalUnlock(m_memory);
        }
    }

    void* Data() const { return m_data; }

private:
    HGLOBAL m_memory;
    void* m_data;
};

bool ReadDropItem(HDROP drop, UINT index, std::wstring* path) {
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0) {
        return false;
    }
    path->assign(length + 1, L'\0');
    if (DragQueryFileW(drop, index, path->data(), length + 1) != length) {
        return false;
    }
    path->resize(length);
    return true;
}

} // namespace

HRESULT ReadDropSelection(IDataObject* dataObject, std::vector<std::wstring>* paths) {
    paths->clear();
    if (dataObject == nullptr) {
        return E_INVALIDARG;
    }
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    StorageMedium medium;
    if (FAILED(dataObject->GetData(&format, medium.Fill()))) {
        return E_INVALIDARG;
    }
    GlobalLockScope locked(medium.Memory());
    if (locked.Data() == nullptr) {
        return E_INVALIDARG;
    }
    auto drop = static_cast<HDROP>(locked.Data());
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0 || !SelectionWithinLimit(count)) {
        return E_INVALIDARG;
    }
    try {
        std::vector<std::wstring> read(count);
        for (UINT i = 0; i < count; ++i) {
            if (!ReadDropItem(drop, i, &read[i])) {
                return E_INVALIDARG;
            }
        }
        *paths = std::move(read);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_INVALIDARG;
    }
}
