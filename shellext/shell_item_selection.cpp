// Reading a shell item array: the shell gives each item's path in memory of its own, freed here at once.
#include "shell_item_selection.h"

#include <new>

#include "menu_command.h"
#include "win_handles.h"

namespace {

// The path of an item, or nothing for an item outside the file system.
bool ItemPath(IShellItemArray* items, DWORD index, std::wstring* path) {
    ComPtr<IShellItem> item;
    if (FAILED(items->GetItemAt(index, item.put()))) {
        return false;
    }
    wchar_t* name = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) {
        return false;
    }
    const CoTaskText owned(name);
    if (!owned) {
        return false;
    }
    path->assign(owned.get());
    return !path->empty();
}

} // namespace

DWORD ShellItemCount(IShellItemArray* items) {
    DWORD count = 0;
    if (items == nullptr || FAILED(items->GetCount(&count))) {
        return 0;
    }
    return count;
}

HRESULT ReadShellItemSelection(IShellItemArray* items, std::vector<std::wstring>* paths) {
    paths->clear();
    if (items == nullptr) {
        return S_OK;
    }
    DWORD count = 0;
    if (FAILED(items->GetCount(&count)) || !SelectionWithinLimit(count)) {
        return E_INVALIDARG;
    }
    try {
        std::vector<std::wstring> read;
        read.reserve(count);
        for (DWORD i = 0; i < count; ++i) {
            std::wstring path;
            if (ItemPath(items, i, &path)) {
                read.push_back(std::move(path));
            }
        }
        *paths = std::move(read);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
