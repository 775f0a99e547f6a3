#pragma once
// A file opened for the life of one transfer; closed on every exit path.
#include <windows.h>

#include <cstdint>
#include <string>

namespace net {

class FileStream {
public:
    enum class Mode { Read, Create };
    // Create truncates an existing file. Throws std::runtime_error naming the file on failure.
    FileStream(const std::string& name, Mode mode);
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Returns the number of bytes read, 0 at the end of the file.
    DWORD Read(char* buffer, DWORD size);
    // Writes all of it or throws: a short write would silently lose data.
    void Write(const char* data, DWORD size);
    // The size of the open file in bytes.
    std::uint64_t Size() const;
    void Close();

private:
    std::string name_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace net
