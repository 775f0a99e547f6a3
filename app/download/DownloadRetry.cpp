#include "app/download/DownloadRetry.h"

#include <string>

#include "app/download/DownloadErrors.h"
#include "net/socket/SocketErrors.h"
#include "ui/Application.h"

bool IsRetryable(const std::exception& failure, int replyCode, bool cancelledByUser) {
    if (cancelledByUser) return false;
    if (dynamic_cast<const DamagedDownloadError*>(&failure)) return true;
    if (dynamic_cast<const DownloadError*>(&failure)) return replyCode < 400 || replyCode > 499;
    if (!dynamic_cast<const net::ESockError*>(&failure)) return false;
    // A name that does not resolve will not resolve a second later; a lookup that timed out may.
    const std::string message = failure.what();
    return message != "Null Remote Address" && message != "Host Lookup Failed";
}

std::int64_t NextResumePoint(const AttemptResult& attempt) {
    if (attempt.damaged) return 0;
    if (attempt.bodyOffset < 0) return attempt.resumeFrom;
    const bool continued =
        attempt.replyCode == 206 && attempt.bodyOffset > 0 && attempt.bodyOffset == attempt.resumeFrom;
    if (attempt.replyCode == 200 || continued) return attempt.storedBytes;
    return 0;
}

bool BackOff(DWORD ms, const std::function<bool()>& stop) {
    auto& app = ui::Application::Instance();
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        app.ProcessMessages();
        if (stop()) return false;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return true;
        app.WaitForMessage(static_cast<DWORD>(end - now));
    }
}
