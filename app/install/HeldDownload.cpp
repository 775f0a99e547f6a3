#include "app/install/HeldDownload.h"

#include "app/download/DownloadErrors.h"
#include "app/install/InstallSupport.h"
#include "ui/OwnedHandle.h"
#include "ui/Text.h"

#include <memory>

namespace install {
namespace {

constexpr DWORD kBlockSize = 256 << 10;

}  // namespace

HeldDownload::HeldDownload(const std::string& folder, const std::string& name) : name_(name), path_(folder + name) {
    // No FILE_SHARE_WRITE and no FILE_SHARE_DELETE: while we hold it, no other handle may write
    // to it, and it cannot be renamed, replaced or deleted. Readers must share writing with us.
    file_.Reset(CreateFileW(ui::WidenPath(path_).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = GetLastError();
    if (!file_.Valid()) throw std::runtime_error("Cannot create file " + path_ + ": " + SystemErrorText(error));
}

std::uint64_t HeldDownload::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.Get(), &size)) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

void HeldDownload::Empty() {
    verified_.reset();
    if (!SetFilePointerEx(file_.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.Get()))
        throw std::runtime_error("Cannot write file " + path_ + ": " + SystemErrorText(GetLastError()));
}

void HeldDownload::Refuse(const std::string& why) const { throw DamagedFile(name_, why); }

template <typename Sink>
verify::Sha256Digest HeldDownload::ReadAll(Sink&& sink) const {
    if (!SetFilePointerEx(file_.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        Refuse("it cannot be read again: " + SystemErrorText(GetLastError()));
    const auto block = std::make_unique_for_overwrite<char[]>(kBlockSize);
    verify::Sha256 hash;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file_.Get(), block.get(), kBlockSize, &got, nullptr))
            Refuse("it cannot be read again: " + SystemErrorText(GetLastError()));
        if (got == 0) break;
        sink(block.get(), got);
        hash.Update(block.get(), got);
    }
    return hash.Finish();
}

void HeldDownload::CheckUnchanged() const {
    if (!verified_) Refuse("it was never checked");
    if (ReadAll([](const char*, DWORD) {}) != *verified_) Refuse("it changed after its check");
}

void HeldDownload::CopyTo(const std::string& to) const {
    if (!verified_) Refuse("it was never checked");
    // DELETE: a copy cut short, or not what was verified, is removed rather than left installed.
    const ui::OwnedHandle out(CreateFileW(ui::WidenPath(to).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    const auto cannotCopy = [&](DWORD error) {
        return InstallError("Cannot copy " + name_ + " to " + to + ": " + SystemErrorText(error));
    };
    if (!out.Valid()) throw cannotCopy(GetLastError());
    struct RemovedUnlessWhole {
        HANDLE file;
        bool whole = false;
        ~RemovedUnlessWhole() {
            FILE_DISPOSITION_INFO remove{TRUE};
            if (!whole) SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove);
        }
    } removal{out.Get()};
    const verify::Sha256Digest written = ReadAll([&](const char* data, DWORD size) {
        DWORD done = 0;
        if (!WriteFile(out.Get(), data, size, &done, nullptr)) throw cannotCopy(GetLastError());
        if (done != size) throw cannotCopy(ERROR_HANDLE_DISK_FULL);
    });
    if (written != *verified_) Refuse("what was copied differs from what was checked");
    removal.whole = true;
}

}  // namespace install
