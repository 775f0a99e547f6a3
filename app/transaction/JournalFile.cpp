#include "app/transaction/JournalFile.h"

#include "app/install/InstallSupport.h"
#include "app/install/ProtectedDataFolder.h"
#include "encoding/TextEncoding.h"
#include "files/FileSize.h"

namespace transaction {
namespace {

// Far above any journal of ours (a few dozen records of a few hundred bytes).
constexpr DWORD kMaxJournalBytes = 16u << 20;

// Deletes the file through the handle that holds it, then closes it.
bool RemoveHeld(ui::OwnedHandle& file) noexcept {
    if (!file.Valid()) return true;
    FILE_DISPOSITION_INFO remove{TRUE};
    const bool removed = SetFileInformationByHandle(file.Get(), FileDispositionInfo, &remove, sizeof remove) != FALSE;
    file.Reset(INVALID_HANDLE_VALUE);
    return removed;
}

}  // namespace

std::string JournalPath() { return install::ProtectedDataFolder().Path + "install.journal"; }

JournalWriter::JournalWriter(const std::string& path) : path_(path) {
    file_.Reset(CreateFileW(encoding::WidenPath(path).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.Valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_SHARING_VIOLATION)
            throw install::InstallError("Another installation of Quorvane is under way (its journal is " + path + ")");
        throw install::InstallError("Cannot create the journal " + path + ": " + install::SystemErrorText(error));
    }
}

JournalWriter::~JournalWriter() = default;

void JournalWriter::Append(const std::vector<JournalStep>& steps) {
    std::string records;
    for (const JournalStep& step : steps) records += EncodeJournalRecord(step);
    DWORD written = 0;
    if (!WriteFile(file_.Get(), records.data(), DWORD(records.size()), &written, nullptr) ||
        written != records.size() || !FlushFileBuffers(file_.Get()))
        throw install::InstallError("Cannot write the journal " + path_ + ": " +
                                    install::SystemErrorText(GetLastError()));
}

bool JournalWriter::Remove() noexcept { return RemoveHeld(file_); }

JournalLeftover::JournalLeftover(const std::string& path) {
    file_.Reset(CreateFileW(encoding::WidenPath(path).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file_.Valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
        state_ = error == ERROR_SHARING_VIOLATION ? State::Busy : State::Unreadable;
        error_ = install::SystemErrorText(error);
        return;
    }
    const std::optional<std::uint64_t> size = files::SizeOf(file_.Get());
    if (!size || *size > kMaxJournalBytes) {
        state_ = State::Unreadable;
        error_ = "larger than any journal";
        return;
    }
    bytes_.resize(std::size_t(*size));
    DWORD got = 0;
    if (!bytes_.empty() && (!ReadFile(file_.Get(), bytes_.data(), DWORD(bytes_.size()), &got, nullptr))) {
        state_ = State::Unreadable;
        error_ = install::SystemErrorText(GetLastError());
        return;
    }
    bytes_.resize(got);
    state_ = State::Opened;
}

bool JournalLeftover::Remove() noexcept { return RemoveHeld(file_); }

}  // namespace transaction
