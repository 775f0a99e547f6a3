#include "app/transaction/StepUndo.h"

#include "app/install/InstallSupport.h"
#include "app/log/InstallLog.h"
#include "encoding/TextEncoding.h"

#include <windows.h>

namespace transaction {
namespace {

using install::InstallError;
using install::SystemErrorText;

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

DWORD Attributes(const std::string& path) { return GetFileAttributesW(encoding::WidenPath(path).c_str()); }

bool IsFile(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

[[noreturn]] void Fail(DWORD error) { throw InstallError(SystemErrorText(error)); }

void DeleteCreated(const std::string& path) {
    if (!DeleteFileW(encoding::WidenPath(path).c_str()) && !Missing(GetLastError())) Fail(GetLastError());
}

// No backup: the step's record reached the disk but the file was never moved, and is the
// original still.
void RestoreBackup(const JournalStep& step) {
    if (!IsFile(step.Other)) return;
    if (!MoveFileExW(encoding::WidenPath(step.Other).c_str(), encoding::WidenPath(step.Path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(GetLastError());
}

void RemoveFolder(const std::string& path) {
    if (RemoveDirectoryW(encoding::WidenPath(path).c_str()) || Missing(GetLastError())) return;
    const DWORD error = GetLastError();
    if (error == ERROR_DIR_NOT_EMPTY) throw InstallError("it is not empty");
    Fail(error);
}

HKEY RootKey(const std::string& root) { return root == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

void DeleteKeyIfEmpty(const JournalStep& step) {
    const std::wstring path = encoding::WidenPath(step.Path);
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(RootKey(step.Other), path.c_str(), 0, KEY_READ, &key);
    if (Missing(DWORD(status))) return;
    if (status != ERROR_SUCCESS) Fail(DWORD(status));
    DWORD subkeys = 0, values = 0;
    status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) Fail(DWORD(status));
    if (subkeys || values) throw InstallError("it is not empty");
    status = RegDeleteKeyW(RootKey(step.Other), path.c_str());
    if (status != ERROR_SUCCESS && !Missing(DWORD(status))) Fail(DWORD(status));
}

void RestoreValue(const JournalStep& step) {
    const std::wstring path = encoding::WidenPath(step.Path), name = encoding::WidenPath(step.Name);
    HKEY key = nullptr;
    LONG status = step.HadPrevious ? RegCreateKeyExW(RootKey(step.Other), path.c_str(), 0, nullptr,
                                                     REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr)
                                   : RegOpenKeyExW(RootKey(step.Other), path.c_str(), 0, KEY_SET_VALUE, &key);
    if (!step.HadPrevious && Missing(DWORD(status))) return;
    if (status != ERROR_SUCCESS) Fail(DWORD(status));
    status = step.HadPrevious
                 ? RegSetValueExW(key, name.c_str(), 0, step.PreviousType,
                                  reinterpret_cast<const BYTE*>(step.Previous.data()), DWORD(step.Previous.size()))
                 : RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS && !(Missing(DWORD(status)) && !step.HadPrevious)) Fail(DWORD(status));
}

// A settings file that is not a file (never made, or a folder in its way) had nothing written.
void RestoreSetting(const JournalStep& step) {
    if (!IsFile(step.Path)) return;
    const std::wstring previous = encoding::WidenPath(step.Previous);
    if (!WritePrivateProfileStringW(encoding::WidenPath(step.Other).c_str(), encoding::WidenPath(step.Name).c_str(),
                                    step.HadPrevious ? previous.c_str() : nullptr,
                                    encoding::WidenPath(step.Path).c_str()))
        Fail(GetLastError());
}

const JournalStep* BeginOf(const std::vector<JournalStep>& steps) {
    return !steps.empty() && steps.front().Kind == StepKind::Begin ? &steps.front() : nullptr;
}

}  // namespace

void UndoStep(const JournalStep& step) {
    switch (step.Kind) {
    case StepKind::FolderCreated: RemoveFolder(step.Path); break;
    case StepKind::FileCreated:
    case StepKind::ShortcutCreated:
    case StepKind::SettingsFileCreated: DeleteCreated(step.Path); break;
    case StepKind::FileReplaced:
    case StepKind::ShortcutReplaced: RestoreBackup(step); break;
    case StepKind::KeyCreated: DeleteKeyIfEmpty(step); break;
    case StepKind::ValueSet: RestoreValue(step); break;
    case StepKind::SettingWritten: RestoreSetting(step); break;
    case StepKind::Begin:
    case StepKind::Committed: break;
    }
}

std::vector<std::string> UndoSteps(const std::vector<JournalStep>& steps) noexcept {
    std::vector<std::string> failures;
    bool backupsStay = false;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->Kind == StepKind::Begin || step->Kind == StepKind::Committed) continue;
        try {
            const std::string what = DescribeStep(*step);
            try {
                UndoStep(*step);
                LogLine("Rolled back: " + what);
            } catch (const std::exception& error) {
                failures.push_back(what + ": " + error.what());
                LogLine("Could not roll back: " + failures.back());
                backupsStay =
                    backupsStay || step->Kind == StepKind::FileReplaced || step->Kind == StepKind::ShortcutReplaced;
            }
        } catch (...) {
            failures.emplace_back();  // no memory for its words: still counted
        }
    }
    const JournalStep* begin = BeginOf(steps);
    if (begin && backupsStay) {
        LogLine("The backups stay in " + begin->Other);
        failures.push_back("the backups not restored stay in " + begin->Other);
    } else {
        RemoveStaging(steps);
    }
    return failures;
}

void RemoveStaging(const std::vector<JournalStep>& steps) noexcept {
    const JournalStep* begin = BeginOf(steps);
    if (begin && !install::RemoveFolderAndFiles(install::WithBackslash(begin->Other)))
        LogLine("The staging folder " + begin->Other + " could not be removed");
}

}  // namespace transaction
