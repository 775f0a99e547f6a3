#pragma once
// The loopback sockets every test peer, test server and benchmark server starts from. They use a
// Winsock session of their own, so that a test of the socket component still sees the component
// start and end its own.
#include <winsock2.h>

#include <atomic>
#include <string>

namespace loopback {

// Listens on 127.0.0.1 at `port` (0: a free port the system picks) and returns the socket, with
// `port` set to the port it got; INVALID_SOCKET, with nothing left open, when that fails.
SOCKET Listen(int& port, int backlog = 8);

// Binds the caller's socket to 127.0.0.1 at `port` and listens on it, `port` then set to the
// port it got. On failure the socket stays open: it is the caller's.
bool BindAndListen(SOCKET s, int& port, int backlog);

// A blocking socket connected to 127.0.0.1:port, or INVALID_SOCKET when nobody answers.
SOCKET Connect(int port);
// A non-blocking socket whose connection to 127.0.0.1:port has only been asked for.
SOCKET StartConnecting(int port);

// A port on which nobody listens: bound once, then released.
int ClosedPort();

// "127.0.0.1:port", the form a URL or the download server's address takes.
std::string Address(int port);

// A listening socket on a free loopback port, closed on destruction. Close() ends an Accept()
// that another thread is blocked in.
class Listener {
public:
    explicit Listener(int backlog = 8);
    ~Listener() { Close(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int Port() const { return port_; }
    SOCKET Handle() const { return socket_; }
    // The next connection, or INVALID_SOCKET once the listener is closed.
    SOCKET Accept() const { return accept(socket_, nullptr, nullptr); }
    void Close();

private:
    int port_ = 0;
    std::atomic<SOCKET> socket_{INVALID_SOCKET};  // read by the thread blocked in Accept()
};

}  // namespace loopback
