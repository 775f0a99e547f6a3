#include "app/record/RecordFile.h"

#include "app/install/InstallSupport.h"
#include "files/FileSize.h"

#include <algorithm>

namespace record {

TRecordResult ReadInstallRecordFile(HANDLE file) {
    // Sized by the file: a buffer of the largest size, zeroed page by page, cost more than the
    // whole of the installer's step that reads an earlier record.
    const std::uint64_t size = std::min<std::uint64_t>(files::SizeOf(file).value_or(0), kMaxRecordBytes);
    std::string bytes(std::size_t(size) + 1, '\0');
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr))
        return {std::nullopt, "cannot be read: " + install::SystemErrorText(GetLastError()), 0};
    bytes.resize(read);
    return ParseInstallRecord(bytes);
}

}  // namespace record
