#pragma once
// Files and folders a test makes in the temporary folder. Paths are UTF-8, as everywhere in the
// installer, so a name may hold any character. Test programs run side by side in one prefix, so
// every name carries the process id.
#include <string>
#include <string_view>

namespace testsupport {

// The temporary folder, ending with a backslash.
std::string TempFolder();

// A path in the temporary folder for `name`, made unique to this process; nothing is created.
std::string TempPath(std::string_view name);

// Removes a file or a folder with everything in it; nothing happens when it is not there.
void RemoveTree(const std::string& path);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);

// A path in the temporary folder, removed with whatever is there on destruction. The file
// itself is made by the test (or by the code under test).
class TemporaryFile {
public:
    explicit TemporaryFile(std::string_view name) : path_(TempPath(name)) { RemoveTree(path_); }
    ~TemporaryFile() { RemoveTree(path_); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return path_; }

protected:
    std::string path_;
};

// A fresh, empty folder in the temporary folder, removed with everything in it on destruction;
// its Path() ends with a backslash.
class TemporaryFolder : public TemporaryFile {
public:
    explicit TemporaryFolder(std::string_view name);
};

}  // namespace testsupport
