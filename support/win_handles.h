// Owning holders for Win32 handles and COM pointers: each closes its handle exactly once, is move-only,
// and offers get() and release(), so no function needs a cleanup label.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <utility>

#include "unique_handle.h"

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
// A global memory block that has not (yet) been handed to an owner such as a stream.
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::GlobalFree(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DestroyMenu(h); }
};
struct BitmapTraits {
    using Handle = HBITMAP;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
// Fonts, brushes, pens and other objects released with DeleteObject.
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

// A reference on a loaded module, from LoadLibrary or GetModuleHandleEx.
struct ModuleReferenceTraits {
    using Handle = HMODULE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};

using RegKey = UniqueHandle<RegKeyTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;
using MenuHandle = UniqueHandle<MenuTraits>;
using BitmapHandle = UniqueHandle<BitmapTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using ModuleReference = UniqueHandle<ModuleReferenceTraits>;
using CoTaskText = UniqueHandle<CoTaskMemoryTraits<wchar_t*>>;

// The device context GetDC gives for a window; ReleaseDC needs the window too.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    WindowDC(WindowDC&& other) noexcept
        : m_window(std::exchange(other.m_window, nullptr)), m_dc(std::exchange(other.m_dc, nullptr)) {}
    WindowDC& operator=(WindowDC&&) = delete;
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (m_dc) {
            ::ReleaseDC(m_window, m_dc);
        }
    }

    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// The paint cycle of a window: BeginPaint on construction, EndPaint on destruction.
class PaintScope {
public:
    explicit PaintScope(HWND window) : m_window(window) { ::BeginPaint(window, &m_paint); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(m_window, &m_paint); }

    HDC get() const { return m_paint.hdc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
};

// Owns one reference to a COM interface.
template <class Interface> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    explicit ComPtr(Interface* pointer) : m_pointer(pointer) {}
    ComPtr(ComPtr&& other) noexcept : m_pointer(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For out-parameters: releases the current reference and gives the slot to fill.
    Interface** put() {
        reset();
        return &m_pointer;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    Interface* release() { return std::exchange(m_pointer, nullptr); }

    void reset(Interface* pointer = nullptr) {
        Interface* old = std::exchange(m_pointer, pointer);
        if (old) {
            old->Release();
        }
    }

private:
    Interface* m_pointer = nullptr;
};
