// ROzaverazo: construction and destruction, the socket library's start-up, opening and closing
// sockets, notification handling, status reports and socket error texts.
#include "net/socket/NotifyWindows.h"
#include "net/socket/SocketComponent.h"
#include "net/socket/TlsSession.h"

namespace net {
namespace {

// Components that hold the socket library started; the first starts it, the last stops it.
int g_winsockUsers = 0;

std::string VersionText(WORD version) {
    return std::to_string(HIBYTE(version)) + "." + std::to_string(LOBYTE(version));
}

}  // namespace

int ROzaverazo::WinsockUserCount() { return g_winsockUsers; }

ROzaverazo::ROzaverazo() {
    StatusMessage(8, "Create");
    NotifyWindow = CreateSocketWindow(this);
    HostEntryBuffer = std::make_unique<char[]>(HostEntryBufferSize);
    try {
        TimeoutTimer = std::make_unique<TThreadTimer>();
        TimeoutTimer->SetEnabled(false);
        TimeoutTimer->SetOnTimer([this](void* sender) { TimerFired(sender); });
        InitWinsock();
    } catch (...) {
        if (NotifyWindow) DestroyWindow(NotifyWindow);
        throw;
    }
}

ROzaverazo::~ROzaverazo() {
    Destroying = true;
    StatusMessage(8, "Destroy");
    ROzaverazo::Abort();
    Cancel();
    ShuttingDown = true;
    // Closed before the window goes, so that Winsock never posts to a dead (and reusable) handle.
    try {
        RequestCloseSocket();
    } catch (...) {
    }
    TimeoutTimer.reset();
    ReleaseLookupBuffers();
    if (NotifyWindow) DestroyWindow(NotifyWindow);
    if (--g_winsockUsers == 0) WSACleanup();
}

void ROzaverazo::InitWinsock() {
    StatusMessage(8, "Initializing Winsock");
    ++g_winsockUsers;
    try {
        if (g_winsockUsers == 1) {
            WSAStartup(MAKEWORD(1, 1), &WinsockData);
            WinsockInfo_ = {
                "Version= " + VersionText(WinsockData.wVersion),
                "High Version= " + VersionText(WinsockData.wHighVersion),
                std::string("Description= ") + WinsockData.szDescription,
                std::string("System= ") + WinsockData.szSystemStatus,
                "Max Sockets= " + std::to_string(WinsockData.iMaxSockets),
                "Max Udp pack size= " + std::to_string(WinsockData.iMaxUdpDg),
            };
        }
        SocketHandle = OpenSocket(true);
    } catch (...) {
        if (--g_winsockUsers == 0) WSACleanup();
        throw ESockError(SockErrorKind::SocketCall, "Initializaton of windows sockets failed");
    }
}

SOCKET ROzaverazo::OpenSocket(bool linger) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, linger ? IPPROTO_TCP : 0);
    if (s == INVALID_SOCKET) {
        std::string text;
        CheckSocketError(WSAEWOULDBLOCK, text);
        throw ESockError(SockErrorKind::SocketCall, SocketErrorText(LastErrorNumber_), LastErrorNumber_);
    }
    if (linger) {
        // Linger on with no time: closing resets the connection at once instead of lingering.
        LINGER option{1, 0};
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
    }
    // A deeper receive buffer lets the peer stay ahead of a capture between two polls.
    int receiveBuffer = 1 << 20;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
    WSAAsyncSelect(s, NotifyWindow, SocketEventMessage, SocketNotifyEvents);
    return s;
}

void ROzaverazo::RequestCloseSocket() {
    StatusMessage(4, "Request Close Socket");
    Connected_ = false;
    if (SocketHandle == INVALID_SOCKET) return;
    if (closesocket(SocketHandle) == SOCKET_ERROR) {
        std::string text;
        CheckSocketError(WSAEWOULDBLOCK, text);
        return;
    }
    SocketHandle = INVALID_SOCKET;
    if (Tls) TlsSocketClosed = true;
    // Windows hands the next socket the number just freed: a notification still queued for the
    // old one would otherwise act on its replacement (a stale close cutting the next connection).
    DropQueuedNotifications();
    if (!ShuttingDown) SocketHandle = OpenSocket(false);
    if (!Destroying && OnDisconnect) OnDisconnect(this);
}

void ROzaverazo::DropQueuedNotifications() {
    if (!NotifyWindow) return;
    MSG message;
    while (PeekMessageA(&message, NotifyWindow, SocketEventMessage, SocketEventMessage, PM_REMOVE)) {
    }
}

void ROzaverazo::HandleNotification(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    // A notification of a socket that is no longer ours, or of a lookup that was given up, says
    // nothing about the current one.
    if (message == SocketEventMessage && static_cast<SOCKET>(wParam) != SocketHandle) return;
    if (message == LookupDoneMessage && reinterpret_cast<HANDLE>(wParam) != LookupTask) {
        LookupCompleted(reinterpret_cast<HANDLE>(wParam));
        return;
    }
    EventSucceeded = HIWORD(lParam) == 0;
    LastEventError = HIWORD(lParam);
    try {
        if (message == SocketEventMessage) {
            SocketEvent(LOWORD(lParam));
        } else if (message == LookupDoneMessage) {
            LookupCompleted(LookupTask);
            WaitGate = true;
        }
    } catch (...) {
        // Nothing raised while handling a notification may leave it.
    }
}

void ROzaverazo::SocketEvent(WORD event) {
    switch (event) {
    case FD_READ:
        try {
            if (OnDataArrival) OnDataArrival(this);
        } catch (...) {
        }
        break;
    case FD_ACCEPT:
        AcceptReady = true;
        if (OnAcceptReady) OnAcceptReady(this);
        break;
    case FD_CONNECT:
        if (EventSucceeded) {
            Connected_ = true;
            ConnectDone = true;
            if (OnConnect) OnConnect(this);
        }
        break;
    case FD_CLOSE:
        // A socket that is not connected has nothing to close. Such a notice can only be a late
        // one meant for an earlier socket with the same number, and acting on it would replace
        // the socket under a Connect that is waiting for it, which then never ends.
        if (!Connected_) break;
        if (!EventSucceeded) CloseError = LastEventError;
        // With data still pending the readers drain it and stop when recv returns 0.
        // Closing here, inside whichever wait happened to pump this notice, is safe: it is done
        // only when no send is under way and nothing is left to read, so the interrupted loop
        // finds on its next recv a fresh unconnected socket (WSAENOTCONN, its end-of-connection
        // path) or Connected_ false, never a half-closed handle; and the old number's queued
        // notices are dropped before the pump can deliver them to the new socket.
        if (!Sending && !DataAvailable()) RequestCloseSocket();
        break;
    default: break;
    }
}

void ROzaverazo::StatusMessage(std::uint8_t level, const std::string& text) noexcept {
    if (static_cast<int>(level) > ReportLevel) return;
    try {
        LastStatus_ = text;
        if (!Destroying && OnStatus) OnStatus(this, LastStatus_);
    } catch (...) {
        // A status report never ends the operation that made it.
    }
}

void ROzaverazo::CheckSocketError(int expected, std::string& text) {
    LastErrorNumber_ = WSAGetLastError();
    if (LastErrorNumber_ != expected && LastErrorNumber_ > 10000) {
        ErrorText(LastErrorNumber_, text);
        if (OnSocketError) OnSocketError(this, static_cast<std::uint16_t>(LastErrorNumber_), text);
        throw ESockError(SockErrorKind::SocketCall, text, LastErrorNumber_);
    }
    text.clear();
}

void ROzaverazo::ErrorText(int number, std::string& text) {
    StatusMessage(8, "Looking Up Error Message" + text);
    text = SocketErrorText(number);
}

}  // namespace net
