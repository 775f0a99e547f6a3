#pragma once
// Owners for COM interface pointers and shell item lists, so that every exit path releases them.
#include <windows.h>
#include <shlobj.h>

#include <utility>

namespace ui {

// Owner of one pointer that `Free` releases, on every exit path.
template <class P, void (*Free)(P)>
class Owner {
public:
    Owner() = default;
    explicit Owner(P p) : p_(p) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~Owner() { Reset(); }

    void Reset() {
        if (p_) Free(std::exchange(p_, nullptr));
    }
    P Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For the out parameter of a creating call; releases what was held.
    P* Put() {
        Reset();
        return &p_;
    }

private:
    P p_ = nullptr;
};

template <class T>
void ReleaseInterface(T* p) {
    p->Release();
}
inline void FreeItemList(PIDLIST_ABSOLUTE p) { CoTaskMemFree(p); }

// Owner of one COM interface pointer.
template <class T>
class ComRef : public Owner<T*, &ReleaseInterface<T>> {
public:
    T* operator->() const { return this->Get(); }
    void** PutVoid() { return reinterpret_cast<void**>(this->Put()); }
};

// Owner of one shell item list allocated by the shell's task allocator.
using Pidl = Owner<PIDLIST_ABSOLUTE, &FreeItemList>;

}  // namespace ui
