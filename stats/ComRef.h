#pragma once
// A non-copyable owner of one COM interface reference.
#include <unknwn.h>

template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* Get() const { return pointer; }
    T* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

    // For functions that hand an interface back through a pointer.
    void** Receive()
    {
        Reset();
        return reinterpret_cast<void**>(&pointer);
    }

    void Reset()
    {
        if (pointer)
            pointer->Release();
        pointer = nullptr;
    }

private:
    T* pointer = nullptr;
};
