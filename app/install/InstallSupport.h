#pragma once
// Small helpers shared by the installation steps: the error type they raise, the system's reason
// for a failure, byte-string conversions for the ANSI entry points, and owners for COM objects and
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

// Our texts are Windows-1252; the ANSI entry points read the system code page, which need not be
// 1252. Re-encode so that an accented path reaches the system as the same characters.
std::string ToAnsiCodePage(const std::string& cp1252);

// `path` followed by one backslash unless it already ends with one (an empty path stays empty).
std::string WithBackslash(std::string path);

// Text n of the translation table in the current language.
std::string Text(int index);

// Owner of one COM interface pointer.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComRef() { Reset(); }

    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For the out parameter of a creating call; releases what was held.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

private:
    T* p_ = nullptr;
};

// Owner of one shell item list allocated by the shell's task allocator.
class Pidl {
public:
    Pidl() = default;
    explicit Pidl(PIDLIST_ABSOLUTE p) : p_(p) {}
    Pidl(const Pidl&) = delete;
    Pidl& operator=(const Pidl&) = delete;
    Pidl(Pidl&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Pidl& operator=(Pidl&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~Pidl() { Reset(); }

    void Reset() { CoTaskMemFree(std::exchange(p_, nullptr)); }
    PIDLIST_ABSOLUTE Get() const { return p_; }
    PIDLIST_ABSOLUTE* Put() {
        Reset();
        return &p_;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    PIDLIST_ABSOLUTE p_ = nullptr;
};

}  // namespace install
