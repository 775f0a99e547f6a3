#include "net/socket/FileStream.h"

#include "encoding/TextEncoding.h"

#include <stdexcept>

namespace net {

FileStream::FileStream(const std::string& name, Mode mode) : name_(name) {
    const std::wstring wide = encoding::WidenPath(name);
    if (mode == Mode::Read) {
        handle_ = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) throw std::runtime_error("Cannot open file " + name);
    } else {
        const DWORD disposition = mode == Mode::Append ? OPEN_ALWAYS : CREATE_ALWAYS;
        handle_ = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) throw std::runtime_error("Cannot create file " + name);
        if (mode == Mode::Append && !SetFilePointerEx(handle_, LARGE_INTEGER{}, nullptr, FILE_END)) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
            throw std::runtime_error("Cannot write file " + name);
        }
    }
}

FileStream::FileStream(HANDLE held, const std::string& name, Mode mode) : name_(name), handle_(held), owned_(false) {
    if (mode == Mode::Read) throw std::invalid_argument("a held file is written through, not read");
    const bool placed = mode == Mode::Append
                            ? SetFilePointerEx(held, LARGE_INTEGER{}, nullptr, FILE_END)
                            : SetFilePointerEx(held, LARGE_INTEGER{}, nullptr, FILE_BEGIN) && SetEndOfFile(held);
    if (!placed) throw std::runtime_error("Cannot write file " + name);
}

FileStream::~FileStream() {
    // Unwinding from a failed transfer: keep every byte that did arrive.
    try {
        Flush();
    } catch (...) {
    }
    if (handle_ != INVALID_HANDLE_VALUE && owned_) CloseHandle(handle_);
}

void FileStream::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    Flush();
    if (owned_) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

DWORD FileStream::Read(char* buffer, DWORD size) {
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, size, &got, nullptr)) throw std::runtime_error("Cannot read file " + name_);
    return got;
}

std::uint64_t FileStream::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) throw std::runtime_error("Cannot read file " + name_);
    return static_cast<std::uint64_t>(size.QuadPart);
}

void FileStream::Write(const char* data, DWORD size) {
    Flush();
    WriteAll(data, size);
}

char* FileStream::Reserve(DWORD size) {
    if (size > kBlockSize) throw std::length_error("write-behind reservation larger than its block");
    if (!block_) block_ = std::make_unique_for_overwrite<char[]>(kBlockSize);
    if (kBlockSize - collected_ < size) Flush();
    return block_.get() + collected_;
}

void FileStream::Commit(DWORD size) { collected_ += size; }

void FileStream::Flush() {
    if (collected_ == 0 || handle_ == INVALID_HANDLE_VALUE) return;
    // Forget the block before writing it: after a failed write, a retry from the destructor
    // would put its head into the file twice.
    const DWORD size = collected_;
    collected_ = 0;
    WriteAll(block_.get(), size);
}

void FileStream::WriteAll(const char* data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(handle_, data, size, &written, nullptr) || written != size) {
        throw std::runtime_error("Cannot write file " + name_);
    }
}

}  // namespace net
