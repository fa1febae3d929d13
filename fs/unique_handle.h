// The one owning holder for every kind of handle in the product: closes its handle exactly once, is
// move-only, and offers get() and release(), so no function needs a cleanup label. Traits give the empty
// value and the close call of a kind.
#pragma once

#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#else
#include <unistd.h>
#endif

// One holder for every handle kind whose release is a plain function call. Traits give the empty value
// and the close call.
template <class Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::Empty(); }

    // Gives up ownership without closing.
    Handle release() { return std::exchange(m_handle, Traits::Empty()); }

    void reset(Handle handle = Traits::Empty()) {
        Handle old = std::exchange(m_handle, handle);
        if (old != Traits::Empty()) {
            Traits::Close(old);
        }
    }

private:
    Handle m_handle = Traits::Empty();
};

#ifdef _WIN32
// Files and folders: a failed CreateFileW gives INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
// Processes, threads, events and handles from the native API, whose empty value is null. (A process
// handle never goes into a FileHandle: INVALID_HANDLE_VALUE is also GetCurrentProcess().)
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;
// A block that COM or the shell allocated for the caller (a display name, an item ID list).
template <class Pointer> struct CoTaskMemoryTraits {
    using Handle = Pointer;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::CoTaskMemFree(h); }
};
// Blocks the system allocated for the caller with LocalAlloc (message texts, security descriptors).
template <class Pointer> struct LocalMemoryTraits {
    using Handle = Pointer;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};
#else
// POSIX file descriptors.
struct FileHandleTraits {
    using Handle = int;
    static Handle Empty() { return -1; }
    static void Close(Handle h) { ::close(h); }
};
#endif
using FileHandle = UniqueHandle<FileHandleTraits>;
