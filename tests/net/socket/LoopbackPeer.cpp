#include "LoopbackPeer.h"

#include "ui/Application.h"

namespace sockettest {

LoopbackPeer::LoopbackPeer(Script script) : listener_(4) {
    thread_ = std::thread([this, script = std::move(script)] {
        SOCKET connection = listener_.Accept();
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
    FD_SET(listener_.Handle(), &pending);
    timeval now{0, 0};
    if (!accepted_ && select(0, &pending, nullptr, nullptr, &now) > 0) {
        while (!accepted_) Sleep(1);
    }
    listener_.Close();  // ends an accept that never got its connection
    thread_.join();
}

void ConnectTo(Probe& client, const LoopbackPeer& peer) {
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.Connect();
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

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        ui::Application::Instance().ProcessMessages();
        ui::Application::Instance().WaitForMessage(10);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD limit) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < limit) PumpFor(5);
    return done();
}

}  // namespace sockettest
