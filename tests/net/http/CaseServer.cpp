#include "tests/net/http/CaseServer.h"
#include "tests/support/Loopback.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace httptest {
namespace {

void SendAll(SOCKET s, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int n = send(s, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n <= 0) return;  // the client went away (an aborted transfer)
        done += static_cast<std::size_t>(n);
    }
}

std::size_t AnnouncedLength(const std::string& header) {
    std::string lower = header;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t at = lower.find("\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::strtoull(lower.c_str() + at + 16, nullptr, 10);
}

}  // namespace

std::string ReadRequest(SOCKET connection) {
    std::string data;
    char buffer[4096];
    std::size_t wanted = std::string::npos;
    while (wanted == std::string::npos || data.size() < wanted) {
        const int n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
        // A TLS hello is whole with its record: a handshake record's type, version, length.
        if (data.size() >= 5 && data[0] == '\x16' && data[1] == '\x03') {
            wanted = 5 + (static_cast<unsigned char>(data[3]) << 8 | static_cast<unsigned char>(data[4]));
            continue;
        }
        const std::size_t end = data.find("\r\n\r\n");
        if (wanted == std::string::npos && end != std::string::npos) {
            wanted = end + 4 + AnnouncedLength(data.substr(0, end + 2));
        }
    }
    return data;
}

TCaseServer::TCaseServer(int port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    port_ = port;
    listener_ = loopback::Listen(port_);
    if (listener_ == INVALID_SOCKET) {
        WSACleanup();
        throw std::runtime_error("cannot listen on port " + std::to_string(port));
    }
}

void TCaseServer::Start(std::vector<Script> passes) {
    passes_ = std::move(passes);
    thread_ = std::thread([this] { Serve(); });
}

TCaseServer::~TCaseServer() {
    Finish();
    WSACleanup();
}

std::vector<std::string> TCaseServer::Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void TCaseServer::Serve() {
    for (const Script& script : passes_) {
        // Polls so that Finish can end a wait for a connection that never comes; a connection
        // already in the backlog is still served.
        for (;;) {
            fd_set pending;
            FD_ZERO(&pending);
            FD_SET(listener_, &pending);
            timeval cap{0, 20000};
            if (select(0, &pending, nullptr, nullptr, &cap) > 0) break;
            if (stop_) return;
        }
        SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) return;
        ServeOne(connection, script);
        closesocket(connection);
    }
}

void TCaseServer::ServeOne(SOCKET connection, const Script& script) {
    // A failing client must not leave the server blocked for ever.
    DWORD limit = 5000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
    std::string request = ReadRequest(connection);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(std::move(request));
    }
    for (const THttpAction& action : script) {
        if (action.What == THttpAction::Send) SendAll(connection, action.Bytes);
        if (action.What == THttpAction::Delay) Sleep(static_cast<DWORD>(action.Ms));
        if (action.What == THttpAction::Close) break;
    }
    // Half-close, then wait for the client's own close: closing with unread bytes would reset
    // the connection and could cut the reply short.
    shutdown(connection, SD_SEND);
    char sink[4096];
    while (recv(connection, sink, sizeof sink, 0) > 0) {
    }
}

}  // namespace httptest
