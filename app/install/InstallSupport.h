#pragma once
// Small helpers shared by the installation steps: the error type they raise, the system's reason
// for a failure, texts and paths side by side, and owners for COM objects and
// shell item lists so that every exit path releases them.
#include <windows.h>
#include <shlobj.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace install {

// Raised by the installation steps; the form's handler lets it reach the standard error box.
class InstallError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's own text for an error code, without the trailing line break FormatMessage adds.
std::string SystemErrorText(DWORD code);

// A UTF-8 path inside one of our Windows-1252 texts (an error message): what 1252 cannot show
// becomes "?", instead of the path's bytes read as other letters.
std::string PathForText(const std::string& path);

// A path as Windows expects it in a command line: quoted, so that "C:\Program Files\Q.exe" can
// never start C:\Program.exe.
std::string Quoted(const std::string& path);

// `path` followed by one backslash unless it already ends with one (an empty path stays empty).
std::string WithBackslash(std::string path);

// Text n of the translation table in the current language.
std::string Text(int index);
// The same text as a piece of a path (UTF-8): a folder or link name.
std::string PathText(int index);

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

}  // namespace install
