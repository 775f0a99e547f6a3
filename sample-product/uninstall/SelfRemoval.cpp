#include "SelfRemoval.h"

#include "RecordRemoval.h"
#include "app/cmdline/SplitArguments.h"
#include "app/install/InstallSupport.h"
#include "app/install/PrivateFolder.h"
#include "app/install/DownloadFolder.h"
#include "app/log/InstallLog.h"
#include "encoding/TextEncoding.h"

#include <algorithm>
#include <vector>

namespace uninstall {
namespace {

// How long the copy waits for the uninstaller to end, and then for Windows to let go of its file.
constexpr DWORD kWaitForEndMs = 60000;
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeletePauseMs = 100;

// A file whose program has just ended stays mapped for a moment.
bool DeleteWhenReleased(const std::wstring& path) {
    for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
        if (DeleteFileW(path.c_str())) return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        Sleep(kDeletePauseMs);
    }
    return false;
}

}  // namespace

std::string OwnPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return encoding::NarrowPath(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

bool StartCleanupCopy(const std::string& installFolder, const std::string& recordPath) {
    try {
        const std::string folder =
            install::MakePrivateFolder(install::ReadTempPath(), "Quorvane-Uninstall-", "the uninstaller's copy");
        const std::wstring copy = encoding::WidenPath(folder + "uninstall.exe");
        const std::wstring own = encoding::WidenPath(OwnPath());
        if (!CopyFileW(own.c_str(), copy.c_str(), TRUE))
            throw install::InstallError("Cannot copy the uninstaller: " + install::SystemErrorText(GetLastError()));
        std::wstring line = cmdline::QuoteArgument(copy) + L" /CLEANUP=" + std::to_wstring(GetCurrentProcessId()) +
                            L" " + cmdline::QuoteArgument(L"/ORIGINAL=" + own);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            encoding::WidenPath(folder).c_str(), &startup, &process))
            throw install::InstallError("Cannot start the uninstaller's copy: " +
                                        install::SystemErrorText(GetLastError()));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        LogLine("Started " + encoding::NarrowPath(copy) + " to remove this program, the record and their folders");
        return true;
    } catch (const std::exception& error) {
        LogLine(std::string(error.what()) + "; they go at the next restart instead");
        MoveFileExW(encoding::WidenPath(OwnPath()).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        MoveFileExW(encoding::WidenPath(recordPath).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        MoveFileExW(encoding::WidenPath(installFolder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return false;
    }
}

int RunCleanup(DWORD pid, const std::string& original) {
    if (const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
        WaitForSingleObject(process, kWaitForEndMs);
        CloseHandle(process);
    }
    const std::string folder = original.substr(0, original.rfind('\\'));
    const std::string recordPath = install::WithBackslash(folder) + record::kInstallRecordName;
    const record::TRecordResult parsed = ReadRecord(recordPath);
    int status = 1;
    if (parsed.Record) {
        const record::TProductPlaces places = ProductPlaces(folder);
        // Only a program the record lists as the product's, beside it.
        const std::vector<std::string> files = OwnedFiles(*parsed.Record, places, {});
        const bool listed =
            std::any_of(files.begin(), files.end(), [&](const std::string& file) { return SamePath(file, original); });
        status = listed && DeleteWhenReleased(encoding::WidenPath(original)) &&
                         DeleteWhenReleased(encoding::WidenPath(recordPath)) &&
                         RemoveRecorded(*parsed.Record, places, {}).Failed.empty()
                     ? 0
                     : 1;
    }
    // This copy and its folder, once nothing runs them any more.
    const std::wstring own = encoding::WidenPath(OwnPath());
    MoveFileExW(own.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(own.substr(0, own.rfind(L'\\')).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return status;
}

}  // namespace uninstall
