#include "tests/support/Loopback.h"

#include <stdexcept>

namespace loopback {
namespace {

struct WinsockSession {
    WinsockSession() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() { WSACleanup(); }
};

void StartWinsock() { static WinsockSession session; }

sockaddr_in LoopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    return address;
}

// A socket connected to 127.0.0.1:port (INVALID_SOCKET when nobody answers), or, without
// `wait`, a non-blocking one whose connection has only been asked for.
SOCKET ConnectSocket(int port, bool wait) {
    StartWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    u_long nonBlocking = wait ? 0 : 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    const sockaddr_in address = LoopbackAddress(port);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && wait) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

}  // namespace

bool BindAndListen(SOCKET s, int& port, int backlog) {
    sockaddr_in address = LoopbackAddress(port);
    int size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, backlog) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    port = ntohs(address.sin_port);
    return true;
}

SOCKET Listen(int& port, int backlog) {
    StartWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    if (!BindAndListen(s, port, backlog)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

SOCKET Connect(int port) { return ConnectSocket(port, true); }

SOCKET StartConnecting(int port) { return ConnectSocket(port, false); }

int ClosedPort() {
    int port = 0;
    closesocket(Listen(port));
    return port;
}

std::string Address(int port) { return "127.0.0.1:" + std::to_string(port); }

Listener::Listener(int backlog) {
    socket_ = Listen(port_, backlog);
    if (socket_ == INVALID_SOCKET)
        throw std::runtime_error("cannot listen on 127.0.0.1: " + std::to_string(WSAGetLastError()));
}

void Listener::Close() {
    const SOCKET s = socket_.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET) closesocket(s);
}

}  // namespace loopback
