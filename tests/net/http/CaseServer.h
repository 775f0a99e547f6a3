#pragma once
// A loopback HTTP server for the engine's tests: a thread with a blocking listening socket on
// 127.0.0.1 that takes one connection per scripted pass, reads the whole request (header and the
// data its Content-Length announces), records its bytes, then plays the pass's reply script
// (chunks, delays, early close) and closes.
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/net/http/HttpCase.h"

namespace httptest {

class TCaseServer {
public:
    using Script = std::vector<THttpAction>;
    // Listens at once (port 0: any free port); throws std::runtime_error when the port cannot
    // be had. Start then serves one connection for each script, in order.
    explicit TCaseServer(int port = 0);
    void Start(std::vector<Script> passes);
    ~TCaseServer();
    TCaseServer(const TCaseServer&) = delete;
    TCaseServer& operator=(const TCaseServer&) = delete;

    int Port() const { return port_; }
    // Waits until the connections already made are served, stops listening, and returns the
    // request bytes received, one entry per connection.
    std::vector<std::string> Finish();

private:
    void Serve();
    void ServeOne(SOCKET connection, const Script& script);

    std::vector<Script> passes_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Reads one HTTP request: to the blank line after the header, then the bytes its
// Content-Length line announces. Stops early when the peer closes or stays silent for 5 s.
std::string ReadRequest(SOCKET connection);

}  // namespace httptest
