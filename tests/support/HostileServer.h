#pragma once
// A scriptable loopback HTTP server on its own thread for the hostile-server tests. Every
// request path has a script of what the server does once the request has arrived (or at once,
// for scripts that do not wait for it): send bytes, pause, trickle bytes one at a time, hold the
// connection without answering, close it, or reset it. Connections are served one at a time, in
// order, which is how the installer makes its requests. A path without a script gets a 404.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hostile {

class Script {
public:
    struct Step {
        enum Kind { Send, Pause, Trickle, Hold, Close, Reset, File } What;
        std::string Bytes;
        int Ms = 0;
    };

    // By default the server reads the whole request before it acts; a script that starts with
    // Immediately() acts as soon as the connection is accepted.
    Script& Immediately();
    Script& Send(std::string bytes);
    Script& Pause(int ms);
    // One byte of `bytes` every `ms` milliseconds.
    Script& Trickle(std::string bytes, int ms);
    // Keeps the connection open, sending nothing, until the client closes it or the server stops.
    Script& Hold();
    // Closes gracefully here (the end of every script closes too).
    Script& Close();
    // Closes with a TCP reset (linger on, time 0): the client sees "connection reset".
    Script& Reset();
    // Answers as a file server that knows ranges: "Range: bytes=N-" in the request gets a 206
    // with the rest from N and its Content-Range, any other request the whole body with a 200.
    Script& File(std::string body);

    bool WaitsForRequest() const { return waitForRequest_; }
    const std::vector<Step>& Steps() const { return steps_; }

private:
    bool waitForRequest_ = true;
    std::vector<Step> steps_;
};

// A whole reply: status line, header lines, blank line, body.
std::string Reply(const std::string& statusLine, const std::vector<std::string>& headers, const std::string& body);
// "HTTP/1.0 200 OK" with a Content-Length line and `body`.
std::string Ok(const std::string& body);

class HostileServer {
public:
    HostileServer();
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    int Port() const { return port_; }
    // "127.0.0.1:port".
    std::string Address() const;

    // The script for `path`; "*" serves every path without its own script.
    void On(const std::string& path, Script script);
    // One script per request for `path`, in turn; the last one plays for every later request.
    void OnEach(const std::string& path, std::vector<Script> scripts);
    // A 200 reply with `body` and its length.
    void Serve(const std::string& path, const std::string& body);

    // The request texts (request line and header lines) in the order they arrived.
    std::vector<std::string> Requests() const;
    // The request paths in the order they arrived.
    std::vector<std::string> Paths() const;
    // Connections accepted so far (a script that does not read the request still counts).
    int Connections() const { return connections_; }
    // Body and header bytes sent so far, over every connection.
    long long BytesSent() const { return bytesSent_; }

    // Stops serving: held and trickling connections end, the thread is joined.
    void Stop();

private:
    void Run();
    void Handle(SOCKET client);
    std::string ReadRequest(SOCKET client);
    Script ScriptFor(const std::string& path);
    void Play(SOCKET client, const Script& script, const std::string& request);
    bool SendAll(SOCKET client, const char* data, std::size_t size);
    void Sleep(int ms) const;
    void HoldOpen(SOCKET client) const;

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<long long> bytesSent_{0};
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Script>> scripts_;
    std::map<std::string, std::size_t> played_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace hostile
