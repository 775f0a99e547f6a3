#pragma once
// A file opened for the life of one transfer; closed on every exit path.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace net {

class FileStream {
public:
    enum class Mode { Read, Create, Append };
    // `name` is a UTF-8 path (encoding/TextEncoding.h), whatever the system code page. Create truncates an
    // existing file; Append writes after its end (creating it when absent). Throws
    // std::runtime_error naming the file on failure.
    FileStream(const std::string& name, Mode mode);
    // Writes through `held`, a file its owner keeps open (read and write access), which is never
    // opened again by its path and stays open after the stream: Create empties it, Append writes
    // after its end. `name` only names it in errors.
    FileStream(HANDLE held, const std::string& name, Mode mode);
    // Writes out what is still collected (errors are swallowed here: Close reports them).
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Returns the number of bytes read, 0 at the end of the file.
    DWORD Read(char* buffer, DWORD size);
    // Writes all of it or throws: a short write would silently lose data.
    void Write(const char* data, DWORD size);

    // Write-behind for a receiver: Reserve gives room for `size` more bytes (writing out what is
    // collected first when less is left), the receive lands there, Commit counts what it put.
    // A few large writes, made while the socket is dry, cost a capture less than one per packet.
    char* Reserve(DWORD size);
    void Commit(DWORD size);
    // Writes out what is collected; throws like Write.
    void Flush();

    // The size of the open file in bytes.
    std::uint64_t Size() const;
    // Flushes, then closes (a held file stays open); throws like Write when the last block cannot
    // be written.
    void Close();

private:
    static constexpr DWORD kBlockSize = 256 << 10;

    void WriteAll(const char* data, DWORD size);

    std::string name_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool owned_ = true;              // opened here, closed here
    std::unique_ptr<char[]> block_;  // allocated by the first Reserve
    DWORD collected_ = 0;
};

}  // namespace net
