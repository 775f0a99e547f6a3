#include "app/log/InstallLog.h"

#include "ui/Text.h"

#include <windows.h>

#include <cstdio>

namespace installlog {
namespace {

HANDLE& File() {
    static HANDLE file = INVALID_HANDLE_VALUE;
    return file;
}

}  // namespace

std::wstring DefaultPath() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t name[64];
    swprintf(name, 64, L"Quorvane-Install-%04u%02u%02u-%02u%02u%02u.log", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    std::wstring path(temp, length > 0 && length <= MAX_PATH ? length : 0);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + name;
}

bool Open(const std::wstring& path) {
    Close();
    // Others may read it while we write: an administrator tails it, a test waits for a line.
    File() = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return File() != INVALID_HANDLE_VALUE;
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
    std::string text = stamp + ui::NarrowPath(ui::WidenMessage(line));
    // One record is one line, whatever a server's text carried.
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    text += "\r\n";
    DWORD written = 0;
    // A full disk or a vanished share loses this line, not the installation.
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
}
