#include "TestHttpServer.h"
#include "tests/support/Loopback.h"

#include <ws2tcpip.h>

TestHttpServer::TestHttpServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    port_ = 0;
    listener_ = loopback::Listen(port_);
    thread_ = std::thread([this] { Run(); });
}

TestHttpServer::~TestHttpServer() {
    SetEvent(stop_);
    closesocket(listener_);  // ends a waiting accept
    thread_.join();
    CloseHandle(stop_);
    WSACleanup();
}

std::string TestHttpServer::Address() const { return "127.0.0.1:" + std::to_string(port_); }

void TestHttpServer::Reply(const std::string& path, const std::string& reply) {
    std::lock_guard lock(mutex_);
    answers_[path] = {reply};
}

void TestHttpServer::Serve(const std::string& path, const std::string& body, bool withLength) {
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n";
    if (withLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    Reply(path, head + "\r\n" + body);
}

void TestHttpServer::Stall(const std::string& path, const std::string& reply, size_t sent) {
    std::lock_guard lock(mutex_);
    answers_[path] = {reply, sent};
}

std::vector<std::string> TestHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TestHttpServer::Run() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        Handle(client);
        closesocket(client);
        if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return;
    }
}

void TestHttpServer::Handle(SOCKET client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        request.append(buffer, size_t(got));
    }
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    // No length: the error page leaves the progress of the file before it on show.
    Answer answer{"HTTP/1.0 404 Not Found\r\n\r\nNot found"};
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(path);
        if (auto found = answers_.find(path); found != answers_.end()) answer = found->second;
    }
    const size_t total = answer.stallAfter == std::string::npos ? answer.bytes.size() : answer.stallAfter;
    for (size_t sent = 0; sent < total;) {
        int n = send(client, answer.bytes.data() + sent, int(std::min<size_t>(total - sent, 65536)), 0);
        if (n <= 0) return;
        sent += size_t(n);
    }
    // A stalled reply holds the connection until the client gives up or the server stops.
    if (answer.stallAfter != std::string::npos) {
        while (WaitForSingleObject(stop_, 50) == WAIT_TIMEOUT) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(client, &readable);
            timeval none{0, 0};
            if (select(0, &readable, nullptr, nullptr, &none) > 0 && recv(client, buffer, sizeof buffer, 0) <= 0) return;
        }
    }
    shutdown(client, SD_SEND);
}
