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

}  // namespace

std::wstring DefaultName() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t name[64];
    swprintf(name, 64, L"Quorvane-Install-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    std::wstring path(temp, length > 0 && length <= MAX_PATH ? length : 0);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + name;
}

LogOpen Open(const std::wstring& path) {
    Close();
    const OpenedLog opened = OpenLogFile(path, false);
    File() = opened.file;
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
            return true;
        }
        if (opened.result == LogOpen::Failed) return false;
    }
    return false;
}

void Close() {
    if (File() != INVALID_HANDLE_VALUE) CloseHandle(File());
    File() = INVALID_HANDLE_VALUE;
}

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
