#include "app/log/InstallLog.h"

#include "encoding/TextEncoding.h"

#include <windows.h>

#include <cstdio>

namespace installlog {
namespace {

HANDLE& File() {
    static HANDLE file = INVALID_HANDLE_VALUE;
    return file;
}

std::wstring& OpenPath() {
    static std::wstring path;
    return path;
}

}  // namespace

std::wstring DefaultName(std::wstring_view program) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    std::wstring path(temp, length > 0 && length <= MAX_PATH ? length : 0);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + std::wstring(program) + stamp;
}

LogOpen Open(const std::wstring& path) {
    Close();
    const OpenedLog opened = OpenLogFile(path, false);
    File() = opened.file;
    if (opened.result == LogOpen::Opened) OpenPath() = path;
    return opened.result;
}

bool OpenNew(const std::wstring& name) {
    Close();
    // The default name is predictable: another process of the user may have taken it, with a
    // file or a link to a file of the system, before this run started.
    constexpr int kNames = 100;
    for (int number = 1; number <= kNames; ++number) {
        const std::wstring suffix = number == 1 ? L"" : L"-" + std::to_wstring(number);
        const OpenedLog opened = OpenLogFile(name + suffix + L".log", true);
        if (opened.result == LogOpen::Opened) {
            File() = opened.file;
            OpenPath() = name + suffix + L".log";
            return true;
        }
        if (opened.result == LogOpen::Failed) return false;
    }
    return false;
}

void Close() {
    if (File() != INVALID_HANDLE_VALUE) CloseHandle(File());
    File() = INVALID_HANDLE_VALUE;
    OpenPath().clear();
}

const std::wstring& CurrentPath() { return OpenPath(); }

}  // namespace installlog

void LogLine(std::string_view line) {
    HANDLE file = installlog::File();
    if (file == INVALID_HANDLE_VALUE) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds);
    // Bytes that are not UTF-8 (quoted from a server) become U+FFFD: the file stays readable as UTF-8.
    std::string text = stamp + encoding::NarrowPath(encoding::WidenMessage(line));
    // One record is one line, whatever a server's text carried.
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    text += "\r\n";
    DWORD written = 0;
    // A full disk or a vanished share loses this line, not the installation.
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
}
