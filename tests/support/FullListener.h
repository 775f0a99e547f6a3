#pragma once
// A loopback listener whose backlog is full: it answers no more connection requests, so a
// connect to it waits until its time-out, as a host that never answers makes it wait.
#include <winsock2.h>

#include <vector>

#include "tests/support/Loopback.h"

namespace loopback {

class FullListener {
public:
    FullListener() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = Listen(port_, 0);
        if (listener_ == INVALID_SOCKET) return;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(port_));
        for (int i = 0; i < 4; ++i) {
            SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            u_long nonBlocking = 1;
            ioctlsocket(s, FIONBIO, &nonBlocking);
            connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
            filling_.push_back(s);
        }
        Sleep(100);  // until their handshakes fill the backlog
    }
    ~FullListener() {
        for (SOCKET s : filling_) closesocket(s);
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
        if (started_) WSACleanup();
    }
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;

    bool Listening() const { return listener_ != INVALID_SOCKET; }
    int Port() const { return port_; }

private:
    bool started_ = false;
    int port_ = 0;
    SOCKET listener_ = INVALID_SOCKET;
    std::vector<SOCKET> filling_;
};

}  // namespace loopback
