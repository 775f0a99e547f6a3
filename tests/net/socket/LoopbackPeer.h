#pragma once
// A scripted TCP peer on 127.0.0.1 for the socket tests: a thread with its own blocking sockets
// accepts one connection and plays its script on it, then closes it.
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "net/socket/SocketComponent.h"
#include "tests/support/Loopback.h"

namespace sockettest {

class LoopbackPeer {
public:
    using Script = std::function<void(SOCKET connection)>;
    explicit LoopbackPeer(Script script);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    int Port() const { return listener_.Port(); }

private:
    loopback::Listener listener_;
    std::atomic<bool> accepted_{false};
    std::thread thread_;
};

void SendText(SOCKET s, const std::string& text);
// Reads until `count` bytes came or the other side closed.
std::string ReceiveBytes(SOCKET s, std::size_t count);
std::string ReceiveLine(SOCKET s);
// Reads until the other side closes (or the peer's receive time-out passes).
std::string ReceiveAll(SOCKET s);
// Pumps the queue for the given time, as a GUI program's main loop would.
void PumpFor(DWORD milliseconds);
// The text of what `action` raised, "(no error)" when it raised nothing.
std::string ErrorOf(const std::function<void()>& action);

// Exposes the component's internal state to the tests.
class Probe : public net::ROzaverazo {
public:
    using ROzaverazo::Canceled;
    using ROzaverazo::CheckSocketError;
    using ROzaverazo::EventSucceeded;
    using ROzaverazo::NotifyWindow;
    using ROzaverazo::RemoteAddress;
    using ROzaverazo::SocketHandle;
    using ROzaverazo::TimeoutTimer;
    using ROzaverazo::WaitGate;
};

}  // namespace sockettest
