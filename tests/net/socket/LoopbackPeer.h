#pragma once
// A scripted TCP peer on 127.0.0.1 for the socket tests: a thread with its own blocking sockets
// accepts one connection and plays its script on it, then closes it.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "net/socket/SocketComponent.h"
#include "net/socket/ThreadTimer.h"
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
// Pumps until `done` holds or `limit` ms have passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD limit);

// The text of the `Error` that `action` raised, "(no error)" when it raised nothing. Any other
// exception goes on to fail the test: the type is part of what is checked.
template <class Error = std::exception>
std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

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

// Points the client at the peer's port on 127.0.0.1 and connects.
void ConnectTo(Probe& client, const LoopbackPeer& peer);

// Cancels the client `ms` from now, inside whatever wait is pumping then, as the wizard's Cancel
// button would; never after it is destroyed.
class CancelLater {
public:
    CancelLater(Probe& client, UINT ms) {
        timer_.SetInterval(ms);
        timer_.SetOnTimer([this, &client](void*) {
            timer_.SetEnabled(false);
            client.Cancel();
        });
    }

private:
    net::TThreadTimer timer_;
};

// A client component and the peer that Serve() connects it to. The client goes first, so that a
// peer waiting for it to close sees it close. A script that touches the test's locals must end
// before they do: the test ends it with peer.reset(), which also lets the peer read everything
// before the client's close resets the connection and drops what is still unread.
class SocketTest : public ::testing::Test {
protected:
    void Serve(LoopbackPeer::Script script) {
        peer.emplace(std::move(script));
        ConnectTo(client, *peer);
    }

    std::optional<LoopbackPeer> peer;
    Probe client;
};

}  // namespace sockettest
