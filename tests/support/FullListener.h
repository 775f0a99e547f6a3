#pragma once
// A loopback listener whose backlog is full: it answers no more connection requests, so a
// connect to it waits until its time-out, as a host that never answers makes it wait.
#include <winsock2.h>

#include <vector>

#include "tests/support/Loopback.h"

namespace loopback {

class FullListener {
public:
    FullListener() : listener_(Listen(port_, 0)) {
        if (listener_ == INVALID_SOCKET) return;
        for (int i = 0; i < 4; ++i) filling_.push_back(StartConnecting(port_));
        Sleep(100);  // until their handshakes fill the backlog
    }
    ~FullListener() {
        for (SOCKET s : filling_) closesocket(s);
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
    }
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;

    bool Listening() const { return listener_ != INVALID_SOCKET; }
    int Port() const { return port_; }

private:
    int port_ = 0;
    SOCKET listener_;
    std::vector<SOCKET> filling_;
};

}  // namespace loopback
