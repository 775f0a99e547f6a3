#include "tests/net/http/CaseServer.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace httptest {
namespace {

// A silent client may keep the server no longer than this.
constexpr ULONGLONG kSilenceMs = 5000;

std::size_t AnnouncedLength(const std::string& header) {
    std::string lower = header;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t at = lower.find("\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::strtoull(lower.c_str() + at + 16, nullptr, 10);
}

// Whether the socket has something to read within 20 ms.
bool Readable(SOCKET s) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    timeval wait{0, 20000};
    return select(0, &ready, nullptr, nullptr, &wait) == 1;
}

// The N of "Range: bytes=N-", -1 without one.
long long RangeStart(const std::string& request) {
    constexpr char kRange[] = "\r\nRange: bytes=";
    const std::size_t at = request.find(kRange);
    if (at == std::string::npos) return -1;
    return std::atoll(request.c_str() + at + sizeof kRange - 1);
}

std::string FileReply(const std::string& body, const std::string& request) {
    const long long first = RangeStart(request);
    if (first <= 0 || first >= static_cast<long long>(body.size())) return Ok(body);
    const std::string last = std::to_string(body.size() - 1), total = std::to_string(body.size());
    return Reply("HTTP/1.0 206 Partial Content",
                 {"Content-Length: " + std::to_string(body.size() - first),
                  "Content-Range: bytes " + std::to_string(first) + "-" + last + "/" + total},
                 body.substr(static_cast<std::size_t>(first)));
}

}  // namespace

std::string Reply(const std::string& statusLine, const std::vector<std::string>& headers, const std::string& body) {
    std::string text = statusLine + "\r\n";
    for (const std::string& line : headers) text += line + "\r\n";
    return text + "\r\n" + body;
}

std::string Ok(const std::string& body) {
    return Reply("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(body.size())}, body);
}

TCaseServer::Script Actions(std::vector<THttpAction> actions, bool atOnce) { return {atOnce, std::move(actions)}; }

std::string RequestPath(const std::string& request) {
    const std::size_t start = request.find(' ');
    if (start == std::string::npos) return {};
    const std::size_t end = request.find(' ', start + 1);
    return request.substr(start + 1, end == std::string::npos ? end : end - start - 1);
}

TCaseServer::TCaseServer(int port) : port_(port) {
    listener_ = loopback::Listen(port_);
    if (listener_ == INVALID_SOCKET) throw std::runtime_error("cannot listen on port " + std::to_string(port));
    thread_ = std::thread([this] { Serve(); });
}

TCaseServer::~TCaseServer() { Finish(); }

void TCaseServer::On(const std::string& path, std::vector<Script> turns) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = std::move(turns);
    played_[path] = 0;
}

void TCaseServer::Serve(const std::string& path, const std::string& body) {
    On(path, {Actions({{THttpAction::Send, Ok(body)}})});
}

std::vector<std::string> TCaseServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> TCaseServer::Paths() const {
    std::vector<std::string> paths;
    for (const std::string& request : Requests()) paths.push_back(RequestPath(request));
    return paths;
}

std::vector<std::string> TCaseServer::Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return Requests();
}

void TCaseServer::Serve() {
    // Polls, so that Finish ends a wait for a connection that never comes; a connection already
    // in the backlog is still served first.
    for (;;) {
        if (!Readable(listener_)) {
            if (stop_) return;
            continue;
        }
        SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) return;
        ++connections_;
        ServeOne(connection);
    }
}

TCaseServer::Script TCaseServer::Next(const std::string& path, bool take) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto route = routes_.find(path);
    if (route == routes_.end() || route->second.empty()) route = routes_.find("*");
    if (route == routes_.end() || route->second.empty())
        return Actions({{THttpAction::Send, Reply("HTTP/1.0 404 Not Found", {"Content-Length: 9"}, "Not found")}});
    std::size_t& played = played_[route->first];
    const Script next = route->second[std::min(played, route->second.size() - 1)];
    if (take) ++played;
    return next;
}

void TCaseServer::ServeOne(SOCKET connection) {
    const bool atOnce = Next("*", false).AtOnce;
    std::string request = atOnce ? std::string() : ReadRequest(connection, &stop_);
    const Script script = Next(atOnce ? "*" : RequestPath(request), true);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }
    Play(connection, script, request);
}

std::string ReadRequest(SOCKET connection, const std::atomic<bool>* stop) {
    std::string data;
    char buffer[4096];
    std::size_t wanted = std::string::npos;
    ULONGLONG heard = GetTickCount64();
    while ((wanted == std::string::npos || data.size() < wanted) && !(stop && *stop)) {
        if (!Readable(connection)) {
            if (GetTickCount64() - heard > kSilenceMs) break;
            continue;
        }
        const int n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        heard = GetTickCount64();
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

void TCaseServer::Play(SOCKET connection, const Script& script, const std::string& request) {
    bool open = true;
    for (const THttpAction& action : script.Actions) {
        if (!open || stop_) break;
        switch (action.What) {
        case THttpAction::Send: open = SendAll(connection, action.Bytes.data(), action.Bytes.size()); break;
        case THttpAction::FileServer: {
            const std::string reply = FileReply(action.Bytes, request);
            open = SendAll(connection, reply.data(), reply.size());
            break;
        }
        case THttpAction::Delay: Pause(action.Ms); break;
        case THttpAction::Trickle:
            for (std::size_t i = 0; open && i < action.Bytes.size() && !stop_; ++i) {
                open = SendAll(connection, &action.Bytes[i], 1);
                Pause(action.Ms);
            }
            break;
        case THttpAction::Hold: open = Drain(connection, ~0ULL); break;
        case THttpAction::Close: open = false; break;
        case THttpAction::Reset: {
            linger hard{1, 0};
            setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
            closesocket(connection);
            return;
        }
        }
    }
    // Half-close, then wait for the client's own close: closing with unread bytes would reset
    // the connection and could cut the reply short.
    shutdown(connection, SD_SEND);
    Drain(connection, kSilenceMs);
    closesocket(connection);
}

bool TCaseServer::Drain(SOCKET connection, unsigned long long silenceMs) const {
    char sink[4096];
    for (ULONGLONG heard = GetTickCount64(); !stop_ && GetTickCount64() - heard < silenceMs;) {
        if (!Readable(connection)) continue;
        if (recv(connection, sink, sizeof sink, 0) <= 0) return false;
        heard = GetTickCount64();
    }
    return true;
}

bool TCaseServer::SendAll(SOCKET connection, const char* data, std::size_t size) {
    while (size > 0) {
        const int part = size > 65536 ? 65536 : static_cast<int>(size);
        const int n = send(connection, data, part, 0);
        if (n <= 0) return false;  // the client has gone: the rest of the script is moot
        bytesSent_ += n;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void TCaseServer::Pause(int ms) const {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    while (!stop_ && GetTickCount64() < end) ::Sleep(ms < 10 ? static_cast<DWORD>(ms) : 10);
}

}  // namespace httptest
