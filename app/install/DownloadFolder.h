#pragma once
// The folder one run of the installer downloads into: made new under the temporary path, so
// that nothing another process prepared (a planted file, a link to elsewhere) is ever written
// through or installed, and removed when the run ends, whatever the outcome. It holds the
// downloaded files open (HeldDownload) until then.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/install/HeldDownload.h"
#include "app/install/HeldFiles.h"

namespace install {

// The user's temporary path as GetTempPathW gives it (UTF-8, ending with a backslash); empty
// when the system has none.
std::string ReadTempPath();

class DownloadFolder final : public HeldFiles {
public:
    // Makes "<tempPath>Quorvane-<random>\" and fails if that name already exists, trying a few
    // names. Throws InstallError, before anything is downloaded, when `tempPath` is empty, not
    // absolute, or no folder can be made in it. In an elevated run only SYSTEM and the
    // administrators have any right on it, whatever the temporary folder grants.
    explicit DownloadFolder(const std::string& tempPath);
    // Closes the held files, deletes the files in the folder, then the folder.
    ~DownloadFolder();
    DownloadFolder(const DownloadFolder&) = delete;
    DownloadFolder& operator=(const DownloadFolder&) = delete;

    // UTF-8, ending with a backslash.
    const std::string& Path() const { return path_; }

    // Creates the file `name` in the folder and holds it until the folder goes; throws as
    // HeldDownload does. A name held already is emptied and starts again unverified.
    HeldDownload& Hold(const std::string& name);
    HeldDownload* Find(std::string_view name) const override;

private:
    std::string path_;
    std::vector<std::unique_ptr<HeldDownload>> held_;
};

}  // namespace install
