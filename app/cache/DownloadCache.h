#pragma once
// The download cache: where the product's files are downloaded, kept across runs so that a
// download cut short (Cancel, the network gone after the retries, the process killed) continues
// where it stopped the next time, and a file that came whole before a later failure is not
// fetched again. %ProgramData%\Quorvane\Cache when the installer runs elevated (SYSTEM and the
// administrators alone), %LOCALAPPDATA%\Quorvane\Cache otherwise.
//
// Cleaned when a run starts (CacheRules.h), emptied once an installation succeeded. A file that
// failed its check goes. When the cache cannot be trusted (a link, another owner, other rights:
// ProtectedFolder.h) or made, the run downloads into a folder of its own under the temporary
// path instead, removed at its end, as every run did before the cache.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/install/DownloadFolder.h"
#include "app/install/HeldDownload.h"
#include "app/install/HeldFiles.h"
#include "app/install/ProtectedFolder.h"
#include "app/release/ReleaseManifest.h"

namespace cache {

// Where this run keeps its data: "%ProgramData%\Quorvane\" when elevated, "%LOCALAPPDATA%\Quorvane\"
// otherwise (UTF-8, ending with a backslash); empty when the shell names neither.
std::string DataFolderForThisRun();

class DownloadCache final : public install::HeldFiles {
public:
    // Opens or makes `dataFolder` + "Cache\" with `rights` (both folders must be trusted, see
    // ProtectedFolder), and cleans it for `release`, the files this run installs. When it cannot,
    // logs why and makes a folder of this run under `tempPath` instead, throwing InstallError as
    // DownloadFolder does when that fails too.
    DownloadCache(const std::string& dataFolder, install::FolderRights rights,
                  std::vector<release::TReleaseFile> release, const std::string& tempPath);
    // Closes the held files: the cache keeps them; a folder of this run goes with them.
    ~DownloadCache();
    DownloadCache(const DownloadCache&) = delete;
    DownloadCache& operator=(const DownloadCache&) = delete;

    // Where the files are downloaded (UTF-8, ending with a backslash).
    const std::string& Path() const;
    // Whether they are kept across runs (false: a folder of this run).
    bool KeepsFiles() const { return folder_.has_value(); }

    // The file that receives `file`'s download, held open until this object goes: its kept
    // download when a previous run left one (HeldDownload::Size() says how much), a new one
    // otherwise. A name held already is emptied and starts again unverified. A kept file that
    // cannot be opened (another installer holds it) is downloaded into a folder of this run.
    install::HeldDownload& Hold(const release::TReleaseFile& file);
    install::HeldDownload* Find(std::string_view name) const override;
    // The file of that name failed its check: it goes, and no later run continues it.
    void Discard(std::string_view name);
    // The installation succeeded: every file of the cache goes.
    void Installed();

private:
    install::DownloadFolder& RunFolder();

    std::vector<release::TReleaseFile> release_;
    std::string tempPath_;
    std::optional<install::ProtectedFolder> dataFolder_;
    std::optional<install::ProtectedFolder> folder_;
    std::vector<std::unique_ptr<install::HeldDownload>> held_;
    std::optional<install::DownloadFolder> run_;
};

// How much of `file` the held download already holds, ready to continue: every kept byte goes to
// `replay` (the check's hash continues from them) and their count is returned. A kept file longer
// than `file` is emptied first (0).
std::uint64_t ReplayKept(install::HeldDownload& held, const release::TReleaseFile& file,
                         const std::function<void(const char*, std::size_t)>& replay);

}  // namespace cache
