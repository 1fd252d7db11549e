#pragma once
// Non-copyable owners for system handles, so every early return closes what
// it opened. Header-only: the programs use it too.
#include <windows.h>

#include <utility>

template <typename Traits>
class ScopedHandle {
public:
    using Type = typename Traits::Type;

    ScopedHandle() : handle(Traits::Invalid()) {}
    explicit ScopedHandle(Type h) : handle(h) {}
    ~ScopedHandle() { Reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const { return handle; }
    bool Valid() const { return handle != Traits::Invalid(); }
    explicit operator bool() const { return Valid(); }

    // For functions that hand a handle back through a pointer.
    Type* Receive()
    {
        Reset();
        return &handle;
    }

    Type Release()
    {
        Type h = handle;
        handle = Traits::Invalid();
        return h;
    }

    void Reset(Type h = Traits::Invalid())
    {
        if (handle != Traits::Invalid())
            Traits::Close(handle);
        handle = h;
    }

private:
    Type handle;
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};

// CreateFile and FindFirstFile report failure with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

using KernelHandle = ScopedHandle<KernelHandleTraits>;
using FileHandle = ScopedHandle<FileHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;
using RegistryKey = ScopedHandle<RegistryKeyTraits>;
