#pragma once
// The folder one run of the installer downloads into: made new under the temporary path, so
// that nothing another process prepared (a planted file, a link to elsewhere) is ever written
// through or installed, and removed when the run ends, whatever the outcome.
#include <string>

namespace install {

// The user's temporary path as GetTempPathW gives it (UTF-8, ending with a backslash); empty
// when the system has none.
std::string ReadTempPath();

class DownloadFolder {
public:
    // Makes "<tempPath>Quorvane-<random>\" and fails if that name already exists, trying a few
    // names. Throws InstallError, before anything is downloaded, when `tempPath` is empty, not
    // absolute, or no folder can be made in it.
    explicit DownloadFolder(const std::string& tempPath);
    // Deletes the files in the folder, then the folder.
    ~DownloadFolder();
    DownloadFolder(const DownloadFolder&) = delete;
    DownloadFolder& operator=(const DownloadFolder&) = delete;

    // UTF-8, ending with a backslash.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace install
