#include "LoopbackPeer.h"
#include "tests/support/Loopback.h"

#include "ui/Application.h"

namespace sockettest {
namespace {

// Winsock for the peer threads, independent of the components under test.
struct PeerWinsock {
    PeerWinsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~PeerWinsock() { WSACleanup(); }
};

SOCKET Listen(int& port) {
    static PeerWinsock winsock;
    port = 0;
    return loopback::Listen(port, 4);
}

}  // namespace

LoopbackPeer::LoopbackPeer(Script script) {
    listener_ = Listen(port_);
    thread_ = std::thread([this, script = std::move(script)] {
        SOCKET connection = accept(listener_, nullptr, nullptr);
        accepted_ = true;
        if (connection == INVALID_SOCKET) return;
        // A failing test must not leave the peer blocked for ever.
        DWORD limit = 5000;
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
        script(connection);
        closesocket(connection);
    });
}

LoopbackPeer::~LoopbackPeer() {
    // A client may have connected and finished before the thread got to accept: the connection
    // then waits in the backlog, and its script must still run.
    fd_set pending;
    FD_ZERO(&pending);
    FD_SET(listener_, &pending);
    timeval now{0, 0};
    if (!accepted_ && select(0, &pending, nullptr, nullptr, &now) > 0) {
        while (!accepted_) Sleep(1);
    }
    closesocket(listener_);  // ends an accept that never got its connection
    thread_.join();
}

void SendText(SOCKET s, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const int n = send(s, text.data() + done, static_cast<int>(text.size() - done), 0);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string ReceiveBytes(SOCKET s, std::size_t count) {
    std::string data;
    char buffer[65536];
    while (data.size() < count) {
        const int n = recv(s, buffer, static_cast<int>(std::min<std::size_t>(sizeof buffer, count - data.size())), 0);
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

std::string ReceiveLine(SOCKET s) {
    std::string line;
    char c;
    while (recv(s, &c, 1, 0) == 1) {
        line += c;
        if (c == '\n') break;
    }
    return line;
}

std::string ReceiveAll(SOCKET s) { return ReceiveBytes(s, std::string::npos); }

int ClosedPort() {
    int port = 0;
    SOCKET s = Listen(port);
    closesocket(s);
    return port;
}

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        ui::Application::Instance().ProcessMessages();
        ui::Application::Instance().WaitForMessage(10);
    }
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(no error)";
}

}  // namespace sockettest
