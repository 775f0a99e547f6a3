#pragma once
// The listening socket every test peer, test server and benchmark server starts from.
#include <winsock2.h>

namespace loopback {

// Listens on 127.0.0.1 at `port` (0: a free port the system picks) and returns the socket, with
// `port` set to the port it got; INVALID_SOCKET, with nothing left open, when that fails.
inline SOCKET Listen(int& port, int backlog = 8) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    int size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, backlog) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace loopback
