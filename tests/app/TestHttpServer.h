#pragma once
// A loopback HTTP server on its own thread for the download tests: one connection at a time,
// one request per connection, each path answered with the reply bytes the test set for it (a
// 404 otherwise), then the connection is closed. A path may instead send part of its reply and
// hold the connection until the server stops, so that a test can act during a transfer.
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // "127.0.0.1:port".
    std::string Address() const;

    // The whole reply (status line, header, body) for `path`.
    void Reply(const std::string& path, const std::string& reply);
    // A 200 reply with `body`, announcing its length unless `withLength` is false.
    void Serve(const std::string& path, const std::string& body, bool withLength = true);
    // Sends `reply`'s first `sent` bytes, then holds the connection open until the server stops.
    void Stall(const std::string& path, const std::string& reply, size_t sent);

    // The request paths in the order they arrived.
    std::vector<std::string> Requests() const;

private:
    struct Answer {
        std::string bytes;
        size_t stallAfter = std::string::npos;
    };
    void Run();
    void Handle(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    HANDLE stop_ = nullptr;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::vector<std::string> requests_;
    std::thread thread_;
};
