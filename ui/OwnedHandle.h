#pragma once
// A kernel handle (a file, a token) closed on every exit path. INVALID_HANDLE_VALUE, what
// CreateFileW gives on failure, and null hold nothing.
#include <windows.h>

namespace ui {

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = INVALID_HANDLE_VALUE) noexcept : handle_(handle) {}
    ~OwnedHandle() { Reset(INVALID_HANDLE_VALUE); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Closes what is held and holds `handle` instead.
    void Reset(HANDLE handle) noexcept {
        if (Valid()) CloseHandle(handle_);
        handle_ = handle;
    }
    // Gives the handle up to the caller, who closes it.
    HANDLE Release() noexcept {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE handle_;
};

}  // namespace ui
