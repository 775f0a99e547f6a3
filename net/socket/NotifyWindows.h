#pragma once
// The two hidden window kinds of the socket layer: one carries a socket component's
// notifications (readiness from WSAAsyncSelect, completion of the host lookup), the other a
// TThreadTimer's ticks. Both run only while the creating thread pumps messages.
#include <winsock2.h>
#include <windows.h>

namespace net {

class ROzaverazo;
class TThreadTimer;

constexpr UINT SocketEventMessage = WM_USER + 101;  // 1125: WSAAsyncSelect
constexpr UINT LookupDoneMessage = WM_USER + 102;   // 1126: WSAAsyncGetHostByName
// What a component's socket is registered for (FD_WRITE is not: sends retry on their own).
constexpr long SocketNotifyEvents = FD_READ | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;  // 61

// Both return a null handle when the class cannot be registered or the window not created.
HWND CreateSocketWindow(ROzaverazo* owner);
HWND CreateTimerWindow(TThreadTimer* owner);

}  // namespace net
