#include "app/cache/DownloadCache.h"

#include "app/cache/CacheRules.h"
#include "app/install/FolderSweep.h"
#include "app/install/InstallSupport.h"
#include "app/install/ShellLink.h"
#include "app/log/InstallLog.h"
#include "encoding/TextEncoding.h"

#include <shlobj.h>

#include <utility>

namespace cache {
namespace {

constexpr char kCacheFolder[] = "Cache";

FILETIME Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return now;
}

}  // namespace

std::string DataFolderForThisRun() {
    const std::string base =
        install::SpecialFolderPath(install::RunsElevated() ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA);
    return base.empty() ? std::string() : install::WithBackslash(base) + "Quorvane\\";
}

DownloadCache::DownloadCache(const std::string& dataFolder, install::FolderRights rights,
                             std::vector<release::TReleaseFile> release, const std::string& tempPath)
    : release_(std::move(release)), tempPath_(tempPath) {
    std::string why = "the system names no folder for it";
    if (!dataFolder.empty()) {
        try {
            dataFolder_.emplace(dataFolder, rights);
            folder_.emplace(dataFolder_->Path() + kCacheFolder, rights);
            const FILETIME now = Now();
            if (install::SweepFolder(encoding::WidenPath(folder_->Path()), [&](const install::SweptFile& file) {
                    return !StaysInCache(file.Name, file.LastWrite, now, release_);
                })) {
                LogLine("Download cache " + folder_->Path());
                return;
            }
            why = "it holds a link that cannot be removed without following it";
        } catch (const std::exception& refused) {
            why = refused.what();
        }
    }
    folder_.reset();
    LogLine("The download cache cannot be used (" + why + "): this run downloads into a folder of its own");
    RunFolder();
}

DownloadCache::~DownloadCache() = default;

const std::string& DownloadCache::Path() const { return folder_ ? folder_->Path() : run_->Path(); }

install::DownloadFolder& DownloadCache::RunFolder() {
    if (!run_) run_.emplace(tempPath_);
    return *run_;
}

install::HeldDownload& DownloadCache::Hold(const release::TReleaseFile& file) {
    if (install::HeldDownload* held = Find(file.Name)) {
        held->Empty();
        return *held;
    }
    if (folder_) {
        try {
            held_.push_back(install::HeldDownload::Kept(folder_->Path(), KeptName(file), file.Name));
            return *held_.back();
        } catch (const std::exception& refused) {
            LogLine(std::string(refused.what()) + ": " + file.Name + " is downloaded into a folder of this run");
        }
    }
    return RunFolder().Hold(file.Name);
}

install::HeldDownload* DownloadCache::Find(std::string_view name) const {
    for (const auto& file : held_)
        if (file->Name() == name) return file.get();
    return run_ ? run_->Find(name) : nullptr;
}

void DownloadCache::Discard(std::string_view name) {
    if (install::HeldDownload* held = Find(name)) held->RemoveWhenClosed();
}

void DownloadCache::Installed() {
    if (!folder_) return;
    for (const auto& file : held_) file->RemoveWhenClosed();
    held_.clear();
    install::SweepFolder(encoding::WidenPath(folder_->Path()), [](const install::SweptFile&) { return true; });
    LogLine("Download cache emptied");
}

std::uint64_t ReplayKept(install::HeldDownload& held, const release::TReleaseFile& file,
                         const std::function<void(const char*, std::size_t)>& replay) {
    const std::uint64_t kept = held.Size();
    if (kept == 0) return 0;
    if (kept > file.Size) {
        held.Empty();
        return 0;
    }
    held.ReadFromStart(replay);
    return kept;
}

}  // namespace cache
