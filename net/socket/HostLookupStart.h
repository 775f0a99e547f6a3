#pragma once
// How a component starts its host lookup: WSAAsyncGetHostByName itself, unless a test wraps it.
// Under Wine a lookup always completes within a few tens of milliseconds, before any time-out
// can tick, so only a wrapper that holds the completion back produces a lookup that outlives
// its wait (the time-out, a cancel, a component destroyed while Winsock still owns the buffer).
#include <winsock2.h>
#include <windows.h>

namespace net {

using THostLookupStart = HANDLE(WSAAPI*)(HWND window, u_int message, const char* name, char* buffer, int length);

// Puts `start` in place of the current one (nullptr: Winsock's again) and returns the previous.
THostLookupStart SetHostLookupStart(THostLookupStart start) noexcept;

}  // namespace net
