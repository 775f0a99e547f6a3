#include "app/install/HeldDownload.h"

#include "app/download/DownloadErrors.h"
#include "app/install/InstallSupport.h"
#include "app/log/LinkCheck.h"
#include "ui/OwnedHandle.h"
#include "encoding/TextEncoding.h"
#include "files/FileSize.h"

#include <memory>
#include <utility>

namespace install {
namespace {

constexpr DWORD kBlockSize = 256 << 10;

// No FILE_SHARE_WRITE and no FILE_SHARE_DELETE: while we hold it, no other handle may write to it,
// and it cannot be renamed, replaced or deleted. Readers must share writing with us. A kept file
// is also opened for DELETE, so that one which failed its check goes through this handle, never
// by its name; its readers must then share deletion too.
HANDLE OpenHeld(const std::wstring& path, DWORD disposition, DWORD deletion = 0) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | deletion, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

[[noreturn]] void CannotCreate(const std::string& path, DWORD error) {
    throw std::runtime_error("Cannot create file " + path + ": " + SystemErrorText(error));
}

// A kept file to be written again must be that file alone: not a link (its handle would write
// where the link leads), not one of several names of the same data (a hard link).
bool SoleFileOfItsName(HANDLE file, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION information{};
    return GetFileInformationByHandle(file, &information) && information.nNumberOfLinks == 1 &&
           !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !installlog::IsLink(file, path);
}

}  // namespace

HeldDownload::HeldDownload(std::string name, std::string path, HANDLE file)
    : name_(std::move(name)), path_(std::move(path)), file_(file) {}

HeldDownload::HeldDownload(const std::string& folder, const std::string& name) : name_(name), path_(folder + name) {
    file_.Reset(OpenHeld(encoding::WidenPath(path_), CREATE_NEW));
    if (!file_.Valid()) CannotCreate(path_, GetLastError());
}

std::unique_ptr<HeldDownload> HeldDownload::Kept(const std::string& folder, const std::string& fileName,
                                                 const std::string& name) {
    const std::string path = folder + fileName;
    const std::wstring wide = encoding::WidenPath(path);
    ui::OwnedHandle file(OpenHeld(wide, OPEN_EXISTING, DELETE));
    if (file.Valid() && !SoleFileOfItsName(file.Get(), wide)) {
        // Opened as itself, a link or another name of the data goes through its own handle; one
        // the system followed is left, and the new file below cannot take its name.
        BY_HANDLE_FILE_INFORMATION information{};
        if (GetFileInformationByHandle(file.Get(), &information) &&
            ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || information.nNumberOfLinks > 1)) {
            FILE_DISPOSITION_INFO remove{TRUE};
            SetFileInformationByHandle(file.Get(), FileDispositionInfo, &remove, sizeof remove);
        }
        file.Reset(INVALID_HANDLE_VALUE);
    }
    if (!file.Valid()) {
        // Created new, which never goes through a link, not even a dangling one.
        file.Reset(OpenHeld(wide, CREATE_NEW, DELETE));
        if (!file.Valid()) CannotCreate(path, GetLastError());
    }
    return std::unique_ptr<HeldDownload>(new HeldDownload(name, path, file.Release()));
}

std::uint64_t HeldDownload::Size() const { return files::SizeOf(file_.Get()).value_or(0); }

void HeldDownload::Empty() {
    verified_.reset();
    if (!SetFilePointerEx(file_.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.Get()))
        throw std::runtime_error("Cannot write file " + path_ + ": " + SystemErrorText(GetLastError()));
}

void HeldDownload::RemoveWhenClosed() {
    verified_.reset();
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(file_.Get(), FileDispositionInfo, &remove, sizeof remove);
}

void HeldDownload::Refuse(const std::string& why) const { throw DamagedFile(name_, why); }

void HeldDownload::ReadFromStart(const std::function<void(const char*, std::size_t)>& sink) const {
    if (!SetFilePointerEx(file_.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        Refuse("it cannot be read again: " + SystemErrorText(GetLastError()));
    const auto block = std::make_unique_for_overwrite<char[]>(kBlockSize);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file_.Get(), block.get(), kBlockSize, &got, nullptr))
            Refuse("it cannot be read again: " + SystemErrorText(GetLastError()));
        if (got == 0) break;
        sink(block.get(), got);
    }
}

template <typename Sink>
verify::Sha256Digest HeldDownload::ReadAll(Sink&& sink) const {
    verify::Sha256 hash;
    ReadFromStart([&](const char* data, std::size_t size) {
        sink(data, static_cast<DWORD>(size));
        hash.Update(data, size);
    });
    return hash.Finish();
}

void HeldDownload::CheckUnchanged() const {
    if (!verified_) Refuse("it was never checked");
    if (ReadAll([](const char*, DWORD) {}) != *verified_) Refuse("it changed after its check");
}

void HeldDownload::CopyTo(const std::string& to) const {
    if (!verified_) Refuse("it was never checked");
    // DELETE: a copy cut short, or not what was verified, is removed rather than left installed.
    const ui::OwnedHandle out(CreateFileW(encoding::WidenPath(to).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid()) throw InstallError("Cannot copy " + name_ + " to " + to + ": " + SystemErrorText(GetLastError()));
    struct RemovedUnlessWhole {
        HANDLE file;
        bool whole = false;
        ~RemovedUnlessWhole() {
            FILE_DISPOSITION_INFO remove{TRUE};
            if (!whole) SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove);
        }
    } removal{out.Get()};
    CopyInto(out.Get(), to);
    removal.whole = true;
}

void HeldDownload::CopyInto(HANDLE out, const std::string& to) const {
    if (!verified_) Refuse("it was never checked");
    const auto cannotCopy = [&](DWORD error) {
        return InstallError("Cannot copy " + name_ + " to " + to + ": " + SystemErrorText(error));
    };
    const verify::Sha256Digest written = ReadAll([&](const char* data, DWORD size) {
        DWORD done = 0;
        if (!WriteFile(out, data, size, &done, nullptr)) throw cannotCopy(GetLastError());
        if (done != size) throw cannotCopy(ERROR_HANDLE_DISK_FULL);
    });
    if (written != *verified_) Refuse("what was copied differs from what was checked");
}

}  // namespace install
