// The logo painter: file -> movable global block -> stream -> OLE picture -> window DC.
#include "draw_logo.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <optional>
#include <string>

#include "module_path.h"
#include "whole_file.h"
#include "win_handles.h"

namespace {

std::optional<std::wstring> PicturePath(HMODULE module) {
    const std::wstring folder = FolderWithSeparator(ModuleFullPath(module));
    if (folder.empty()) {
        return std::nullopt;
    }
    return folder + kLogoFileName;
}

// The whole file in a movable block, or nothing: a file that cannot be read to its end is no picture.
GlobalMemory ReadFileToGlobal(const std::wstring& path, DWORD& size) {
    const auto bytes = ReadWholeFile(path, MAXDWORD);
    if (!bytes) {
        return {};
    }
    size = static_cast<DWORD>(bytes->size());
    GlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block) {
        return {};
    }
    void* target = GlobalLock(block.get());
    if (!target) {
        return {};
    }
    std::memcpy(target, bytes->data(), size);
    GlobalUnlock(block.get());
    return block;
}

ComPtr<IPicture> LoadPicture(GlobalMemory block, DWORD size) {
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, stream.put()))) {
        return {}; // block still ours: freed by its holder
    }
    block.release(); // the stream frees it on its last release
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), TRUE, IID_IPicture, picture.put_void()))) {
        return {};
    }
    return picture;
}

} // namespace

void DrawLogo(HWND window, HMODULE moduleWithPicture) {
    const std::optional<std::wstring> path = PicturePath(moduleWithPicture);
    if (!path) {
        return;
    }
    DWORD size = 0;
    GlobalMemory block = ReadFileToGlobal(*path, size);
    if (!block) {
        return;
    }
    const ComPtr<IPicture> picture = LoadPicture(std::move(block), size);
    if (!picture) {
        return;
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(picture->get_Width(&width)) || FAILED(picture->get_Height(&height))) {
        return;
    }
    const WindowDC dc(window);
    if (!dc) {
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    client.bottom = kLogoBandHeight;
    // HIMETRIC runs bottom-up: start at the bottom edge with a negative height to draw upright.
    picture->Render(dc.get(), 0, 0, client.right - client.left, client.bottom - client.top, 0, height, width, -height,
                    nullptr);
}
