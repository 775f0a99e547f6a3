#pragma once
// How the download sequence gets through a hiccup of the network: which failures of one attempt
// are worth another, from which byte the next attempt continues, and the pause between them.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>

// Each file gets this many attempts.
inline constexpr int kDownloadAttempts = 3;
// The pause before the second and the third attempt.
inline constexpr DWORD kBackOffMs[kDownloadAttempts - 1] = {1000, 3000};
// A server that sends nothing for this long during a request is given up on (and retried).
inline constexpr int kInactivityTimeOutMs = 30000;

// Whether a failed attempt is worth another: a refused or reset connection, a time-out, a cut
// body, a 5xx or garbled reply, a damaged file are; a 4xx reply, a host name that does not
// resolve, a cancel by the user, a request that cannot be made or a file that cannot be written
// are not. replyCode is the failed attempt's status (0 when none was read).
bool IsRetryable(const std::exception& failure, int replyCode, bool cancelledByUser);

// What the failed attempt left in the file, as the engine reports it.
struct AttemptResult {
    std::int64_t bodyOffset = -1;  // where its body began in the file; -1: it never reached one
    int replyCode = 0;
    std::int64_t resumeFrom = 0;   // the byte it asked from
    std::int64_t storedBytes = 0;  // the file's size now
    bool damaged = false;          // the whole file arrived and is not the expected one
};

// The byte the next attempt asks from: the stored size when the file holds a sound beginning
// of the body (a 200, or a 206 that continued it), the previous point when the attempt never
// touched the file, 0 otherwise (an error page, a damaged file: start again from zero).
std::int64_t NextResumePoint(const AttemptResult& attempt);

// Pauses ms milliseconds while the application's queue keeps running; the wait sleeps on the
// queue, so it costs no processor time. Returns false at once when `stop` turns true.
bool BackOff(DWORD ms, const std::function<bool()>& stop);
