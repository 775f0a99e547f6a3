#pragma once
// The one scripted loopback HTTP server of the tests: a thread with a listening socket on
// 127.0.0.1 that takes one connection at a time, reads the whole request (header and the data
// its Content-Length announces, or a TLS hello), records its bytes, then plays a script: sends,
// pauses, a trickle, a hold, a close or a reset (see HttpCase.h). Scripts come in order for every
// connection (a case's passes) or by request path (the download sequence's four files).
#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/net/http/HttpCase.h"
#include "tests/support/Loopback.h"

namespace httptest {

class TCaseServer {
public:
    using Script = THttpScript;
    // Listens at once (port 0: any free port) and serves; throws std::runtime_error when the port
    // cannot be had. Until a script is set every request gets a 404.
    explicit TCaseServer(int port = 0);
    ~TCaseServer();
    TCaseServer(const TCaseServer&) = delete;
    TCaseServer& operator=(const TCaseServer&) = delete;

    // Connections are answered by these scripts in order; the last one answers every later
    // connection too. A path with scripts of its own (On) still gets those.
    void Start(std::vector<Script> passes) { On("*", std::move(passes)); }
    // The requests for `path` are answered by these scripts in turn, the last one for every
    // later request; "*" is every path without scripts of its own. A script that acts at once
    // can only be a "*" one: the path is not known before the request is read.
    void On(const std::string& path, std::vector<Script> turns);
    // A 200 reply with `body` and its length for `path`.
    void Serve(const std::string& path, const std::string& body);

    int Port() const { return port_; }
    std::string Address() const { return loopback::Address(port_); }
    // The request bytes received so far, one entry per connection ("" where none was read).
    std::vector<std::string> Requests() const;
    // The path of each of those requests.
    std::vector<std::string> Paths() const;
    int Connections() const { return connections_; }
    long long BytesSent() const { return bytesSent_; }
    // Ends held and trickling connections, stops listening, and returns Requests().
    std::vector<std::string> Finish();

private:
    void Serve();
    void ServeOne(SOCKET connection);
    // The script for the next request for `path` (see On), counted as played when taken.
    Script Next(const std::string& path, bool take);
    void Play(SOCKET connection, const Script& script, const std::string& request);
    bool SendAll(SOCKET connection, const char* data, std::size_t size);
    // Reads and drops what the client sends until it closes (false), or until Finish or a
    // silence of `silenceMs` (true: still open).
    bool Drain(SOCKET connection, unsigned long long silenceMs) const;
    void Pause(int ms) const;

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<long long> bytesSent_{0};
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Script>> routes_;
    std::map<std::string, std::size_t> played_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Reads one HTTP request: to the blank line after the header, then the bytes its
// Content-Length line announces (or a whole TLS hello). Stops early when the peer closes, stays
// silent for 5 s, or `stop` is set.
std::string ReadRequest(SOCKET connection, const std::atomic<bool>* stop = nullptr);

// A whole reply: status line, header lines, blank line, body.
std::string Reply(const std::string& statusLine, const std::vector<std::string>& headers, const std::string& body);
// "HTTP/1.0 200 OK" with a Content-Length line and `body`.
std::string Ok(const std::string& body);
// A script of actions, read before or acting at once.
TCaseServer::Script Actions(std::vector<THttpAction> actions, bool atOnce = false);
// The path in a request's first line.
std::string RequestPath(const std::string& request);

}  // namespace httptest
