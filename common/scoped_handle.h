#pragma once
#include <windows.h>

// Owns a kernel HANDLE so that every return path closes it. Both null and
// INVALID_HANDLE_VALUE count as "no handle": Win32 uses either, depending on
// the call.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle = nullptr)
    {
        if (valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};
