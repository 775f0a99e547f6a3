#pragma once
// A file's bytes in one string, read or written at once. Paths are UTF-8.
#include <string>
#include <string_view>

namespace testsupport {

// The file's bytes, or "<missing>" when it cannot be opened: a comparison then says at once
// that the file was not there rather than that it was empty.
std::string ReadWholeFile(const std::string& path);

// Replaces the file's content with `bytes`; throws when the file cannot be written.
void WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace testsupport
