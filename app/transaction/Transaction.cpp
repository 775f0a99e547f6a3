#include "app/transaction/Transaction.h"

#include "app/install/InstallSupport.h"
#include "app/log/InstallLog.h"
#include "app/record/InstallRecord.h"
#include "app/record/RecordFile.h"
#include "app/transaction/ProfileSetting.h"
#include "app/transaction/RecordEntries.h"
#include "app/transaction/StepUndo.h"
#include "ui/OwnedHandle.h"
#include "encoding/TextEncoding.h"

#include <windows.h>

#include <stdexcept>

namespace transaction {
namespace {

using install::InstallError;
using install::SystemErrorText;

JournalStep Step(StepKind kind, std::string path = {}, std::string other = {}, std::string name = {}) {
    JournalStep step;
    step.Kind = kind;
    step.Path = std::move(path);
    step.Other = std::move(other);
    step.Name = std::move(name);
    return step;
}

using install::PathAttributes;

bool Exists(const std::string& path) { return PathAttributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::string& path) {
    const DWORD attributes = PathAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPath(const std::string& path) {
    const std::wstring wide = encoding::WidenPath(path);
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr);
        if (length == 0)
            throw InstallError("The directory " + path + " cannot be used: " + SystemErrorText(GetLastError()));
        if (length < full.size()) return encoding::NarrowPath(full.substr(0, length));
        full.resize(length);
    }
    throw InstallError("The directory " + path + " cannot be used");
}

// Where the folders of a full path begin: after "X:\" or "\\server\share\".
std::size_t FirstFolder(const std::string& path) {
    if (path.size() >= 3 && path[1] == ':') return 3;
    std::size_t at = 2;
    for (int separators = 0; separators < 2 && at != std::string::npos; ++separators) at = path.find('\\', at + 1);
    return at == std::string::npos ? path.size() : at + 1;
}

// The nearest folder above the installation directory that exists: the staging folder made in
// it is on the directory's volume, so that every move into place is a rename.
std::string StagingParent(const std::string& installDir) {
    std::string dir = installDir.substr(0, installDir.size() - 1);
    const std::size_t first = FirstFolder(installDir);
    while (dir.size() > first) {
        dir.resize(dir.rfind('\\'));
        if (IsDirectory(dir + "\\")) return dir + "\\";
    }
    return installDir.substr(0, first);
}

HANDLE CreateNewFile(const std::string& path) {
    return CreateFileW(encoding::WidenPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Written and flushed to the disk through the handle that made it.
void WriteNewFile(const std::string& path, const std::string& bytes) {
    const ui::OwnedHandle file(CreateNewFile(path));
    DWORD written = 0;
    if (!file.Valid() || !WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.Get()))
        throw InstallError("Cannot write " + path + ": " + SystemErrorText(GetLastError()));
}

// The record an earlier installation left, when there is one that reads as a record.
std::optional<record::TInstallRecord> EarlierRecord(const std::string& path) {
    const ui::OwnedHandle file(CreateFileW(encoding::WidenPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return std::nullopt;
    record::TRecordResult read = record::ReadInstallRecordFile(file.Get());
    if (!read.Record)
        LogLine("The earlier install record " + path + " is not used (line " + std::to_string(read.Line) + ": " +
                read.Reason + ")");
    return std::move(read.Record);
}

}  // namespace

std::function<void(int stepsDone)>& BeforeEachRecord() {
    static std::function<void(int)> hook;
    return hook;
}

Transaction::Transaction(const std::string& journalPath, const std::string& installDir, std::string version)
    : installDir_(install::WithBackslash(FullPath(installDir))),
      staging_(StagingParent(installDir_) + "Quorvane-staging-" + install::RandomSuffix("the staging folder") + "\\"),
      version_(std::move(version)),
      journal_(journalPath) {
    try {
        // Journaled before it is made: a crash meanwhile leaves nothing the next run cannot find.
        Record(Step(StepKind::Begin, installDir_, staging_.substr(0, staging_.size() - 1), version_));
        const std::wstring staging = encoding::WidenPath(staging_);
        if (!CreateDirectoryW(staging.c_str(), nullptr))
            throw InstallError("Cannot make the staging folder " + staging_ + ": " + SystemErrorText(GetLastError()));
        SetFileAttributesW(staging.c_str(), FILE_ATTRIBUTE_HIDDEN);
    } catch (...) {
        journal_.Remove();
        throw;
    }
    install::SetRegistryUndoLog(this);
    LogLine("Transaction begun: journal " + journalPath + ", staging folder " + staging_);
}

Transaction::~Transaction() {
    if (open_) Rollback();
}

void Transaction::Record(std::vector<JournalStep> steps) {
    if (const auto& hook = BeforeEachRecord())
        for (std::size_t i = 0; i < steps.size(); ++i) hook(int(steps_.size() + i) - 1);
    journal_.Append(steps);
    for (JournalStep& step : steps) steps_.push_back(std::move(step));
}

std::string Transaction::Backup(std::size_t index) const { return staging_ + "backup-" + std::to_string(index); }

void Transaction::Stage(const std::string& name, const std::function<void(HANDLE, const std::string&)>& write) {
    const std::string path = staging_ + name;
    ui::OwnedHandle file(CreateNewFile(path));
    if (!file.Valid()) throw InstallError("Cannot write " + path + ": " + SystemErrorText(GetLastError()));
    write(file.Get(), path);
    flushes_.push_back(std::make_unique<BackgroundFlush>(file, path));
}

void Transaction::FinishFlushes() {
    for (const std::unique_ptr<BackgroundFlush>& flush : flushes_) flush->Finish();
    flushes_.clear();
}

bool Transaction::MakeFolders(const std::string& folder) {
    const std::string full = install::WithBackslash(FullPath(folder));
    if (IsDirectory(full)) return true;
    for (std::size_t end = full.find('\\', FirstFolder(full)); end != std::string::npos;
         end = full.find('\\', end + 1)) {
        const std::string level = full.substr(0, end);
        if (IsDirectory(level + "\\")) continue;
        Record(Step(StepKind::FolderCreated, level));
        if (!CreateDirectoryW(encoding::WidenPath(level).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

void Transaction::PlaceStaged(const std::vector<StagedFile>& files) {
    struct Move {
        std::string name, from, to, backup;  // from: none for the record, which Commit writes
    };
    std::vector<Move> moves;
    std::vector<JournalStep> batch;
    const auto plan = [&](const std::string& name, std::string from, const std::string& target) {
        const auto cannot = [&](const std::string& why) {
            return InstallError("Cannot copy " + name + " to " + target + ": " + why);
        };
        const DWORD attributes = PathAttributes(target);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw cannot("a folder is in the way");
        // A rename would go through where a copy over it is refused.
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            throw cannot(SystemErrorText(ERROR_ACCESS_DENIED));
        std::string backup;
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            backup = Backup(steps_.size() + batch.size());
            batch.push_back(Step(StepKind::FileReplaced, target, backup));
        } else {
            batch.push_back(Step(StepKind::FileCreated, target));
        }
        moves.push_back({name, std::move(from), target, std::move(backup)});
    };
    for (const StagedFile& file : files) plan(file.Name, staging_ + file.Name, file.Target);
    const std::string recordPath = installDir_ + record::kInstallRecordName;
    if (!recordAside_) {
        earlierRecord_ = EarlierRecord(recordPath);
        plan(record::kInstallRecordName, "", recordPath);
    }
    // The journal's flush runs while the staged files' end theirs; both are done before any move.
    Record(std::move(batch));
    recordAside_ = true;
    FinishFlushes();
    for (const Move& move : moves) {
        const auto moved = [&move](const std::string& from, const std::string& to) {
            if (!MoveFileExW(encoding::WidenPath(from).c_str(), encoding::WidenPath(to).c_str(),
                             MOVEFILE_WRITE_THROUGH))
                throw InstallError("Cannot copy " + move.name + " to " + move.to + ": " +
                                   SystemErrorText(GetLastError()));
        };
        if (!move.backup.empty()) moved(move.to, move.backup);
        if (!move.from.empty()) moved(move.from, move.to);
    }
}

void Transaction::WriteShortcut(const std::string& path, const std::function<void()>& save) {
    if (Exists(path)) {
        const std::string backup = Backup(steps_.size());
        Record(Step(StepKind::ShortcutReplaced, path, backup));
        if (!MoveFileExW(encoding::WidenPath(path).c_str(), encoding::WidenPath(backup).c_str(),
                         MOVEFILE_WRITE_THROUGH))
            throw InstallError("Cannot replace the shortcut " + path + ": " + SystemErrorText(GetLastError()));
    } else {
        Record(Step(StepKind::ShortcutCreated, path));
    }
    save();
}

bool Transaction::WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                               const std::string& value) {
    if (!Exists(file)) Record(Step(StepKind::SettingsFileCreated, file));
    const std::optional<std::string> previous = ReadSetting(file, section, key);
    JournalStep step = Step(StepKind::SettingWritten, file, section, key);
    step.HadPrevious = previous.has_value();
    step.Previous = previous.value_or("");
    Record(std::move(step));
    return WritePrivateProfileStringW(encoding::WidenPath(section).c_str(), encoding::WidenPath(key).c_str(),
                                      encoding::WidenPath(value).c_str(), encoding::WidenPath(file).c_str()) != FALSE;
}

void Transaction::KeyCreating(const std::string& root, const std::string& path) {
    Record(Step(StepKind::KeyCreated, path, root));
}

void Transaction::ValueSetting(const std::string& root, const std::string& path, const std::string& name,
                               const std::optional<install::RegistryValue>& previous) {
    JournalStep step = Step(StepKind::ValueSet, path, root, name);
    step.HadPrevious = previous.has_value();
    step.PreviousType = previous ? std::uint32_t(previous->Type) : 0;
    step.Previous = previous ? previous->Data : std::string();
    Record(std::move(step));
}

void Transaction::Commit() {
    if (!recordAside_) PlaceStaged({});
    const std::string recordPath = installDir_ + record::kInstallRecordName;
    std::string text;
    try {
        text = record::FormatInstallRecord(RecordAfter(steps_, earlierRecord_, version_, recordPath));
    } catch (const std::invalid_argument& error) {
        throw InstallError(std::string("Cannot write the install record: ") + error.what());
    }
    // Its earlier one, if any, is in the staging folder: made new, it never goes through a link.
    WriteNewFile(recordPath, text);
    Record(Step(StepKind::Committed));
    Close();
    // The staging folder first: a crash between the two leaves a committed journal, whose
    // recovery removes what is left of the folder.
    RemoveStaging(steps_);
    journal_.Remove();
    LogLine("Transaction committed: " + std::to_string(steps_.size() - 2) + " steps, install record " + recordPath);
}

std::vector<std::string> Transaction::Rollback() noexcept {
    if (!open_) return {};
    Close();
    LogLine("Rolling back the installation");
    std::vector<std::string> failures = UndoSteps(steps_);
    if (!journal_.Remove()) failures.push_back("the journal could not be removed");
    return failures;
}

void Transaction::Close() noexcept {
    flushes_.clear();  // the staged files closed, so that the staging folder can go
    install::SetRegistryUndoLog(nullptr);
    open_ = false;
}

}  // namespace transaction
