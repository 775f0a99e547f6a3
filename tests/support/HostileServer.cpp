#include "HostileServer.h"
#include "tests/support/Loopback.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace hostile {

Script& Script::Immediately() {
    waitForRequest_ = false;
    return *this;
}
Script& Script::Send(std::string bytes) {
    steps_.push_back({Step::Send, std::move(bytes), 0});
    return *this;
}
Script& Script::Pause(int ms) {
    steps_.push_back({Step::Pause, std::string(), ms});
    return *this;
}
Script& Script::Trickle(std::string bytes, int ms) {
    steps_.push_back({Step::Trickle, std::move(bytes), ms});
    return *this;
}
Script& Script::Hold() {
    steps_.push_back({Step::Hold, std::string(), 0});
    return *this;
}
Script& Script::Close() {
    steps_.push_back({Step::Close, std::string(), 0});
    return *this;
}
Script& Script::Reset() {
    steps_.push_back({Step::Reset, std::string(), 0});
    return *this;
}

Script& Script::File(std::string body) {
    steps_.push_back({Step::File, std::move(body), 0});
    return *this;
}

std::string Reply(const std::string& statusLine, const std::vector<std::string>& headers, const std::string& body) {
    std::string text = statusLine + "\r\n";
    for (const std::string& line : headers) text += line + "\r\n";
    return text + "\r\n" + body;
}

std::string Ok(const std::string& body) {
    return Reply("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(body.size())}, body);
}

HostileServer::HostileServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    port_ = 0;
    listener_ = loopback::Listen(port_);
    if (listener_ == INVALID_SOCKET) {
        WSACleanup();
        throw std::runtime_error("hostile server: cannot listen on the loopback interface");
    }
    thread_ = std::thread([this] { Run(); });
}

HostileServer::~HostileServer() {
    Stop();
    closesocket(listener_);
    WSACleanup();
}

void HostileServer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

std::string HostileServer::Address() const { return "127.0.0.1:" + std::to_string(port_); }

void HostileServer::On(const std::string& path, Script script) { OnEach(path, {std::move(script)}); }

void HostileServer::OnEach(const std::string& path, std::vector<Script> scripts) {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_[path] = std::move(scripts);
    played_[path] = 0;
}

void HostileServer::Serve(const std::string& path, const std::string& body) { On(path, Script().Send(Ok(body))); }

std::vector<std::string> HostileServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> HostileServer::Paths() const {
    std::vector<std::string> paths;
    for (const std::string& request : Requests()) {
        const std::size_t start = request.find(' ');
        const std::size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
        paths.push_back(start == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1));
    }
    return paths;
}

namespace {
// Waits at most 20 ms, so that the loops notice Stop() at once.
bool Readable(SOCKET s) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    timeval wait{0, 20000};
    return select(0, &ready, nullptr, nullptr, &wait) == 1;
}
}  // namespace

void HostileServer::Run() {
    while (!stop_) {
        if (!Readable(listener_)) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        ++connections_;
        Handle(client);
    }
}

void HostileServer::Handle(SOCKET client) {
    // Which script applies is only known from the request; a script that must act before the
    // request arrives can only be the catch-all one.
    Script script = ScriptFor("*");
    std::string request;
    if (script.WaitsForRequest()) {
        request = ReadRequest(client);
        const std::size_t start = request.find(' ');
        const std::size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
        script = ScriptFor(start == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1));
    }
    Play(client, script, request);
}

std::string HostileServer::ReadRequest(SOCKET client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < (1u << 20) && !stop_) {
        if (!Readable(client)) continue;
        const int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    return request;
}

Script HostileServer::ScriptFor(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = scripts_.find(path);
    if (found == scripts_.end() && path != "*") found = scripts_.find("*");
    if (found != scripts_.end() && !found->second.empty()) {
        const std::vector<Script>& turns = found->second;
        // Looking up the catch-all before the request is read is not a turn of its own.
        std::size_t& played = played_[found->first];
        const Script& script = turns[std::min(played, turns.size() - 1)];
        if (path != "*" || !script.WaitsForRequest()) ++played;
        return script;
    }
    if (path == "*") return Script();  // waits for the request, then looks up its path
    return Script().Send(Reply("HTTP/1.0 404 Not Found", {"Content-Length: 9"}, "Not found"));
}

namespace {

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
    const std::string total = std::to_string(body.size());
    return Reply("HTTP/1.0 206 Partial Content",
                 {"Content-Length: " + std::to_string(body.size() - first),
                  "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(body.size() - 1) + "/" + total},
                 body.substr(static_cast<std::size_t>(first)));
}

}  // namespace

void HostileServer::Play(SOCKET client, const Script& script, const std::string& request) {
    bool open = true;
    for (const Script::Step& step : script.Steps()) {
        if (!open || stop_) break;
        switch (step.What) {
        case Script::Step::Send:
            open = SendAll(client, step.Bytes.data(), step.Bytes.size());
            break;
        case Script::Step::File: {
            const std::string reply = FileReply(step.Bytes, request);
            open = SendAll(client, reply.data(), reply.size());
            break;
        }
        case Script::Step::Pause:
            Sleep(step.Ms);
            break;
        case Script::Step::Trickle:
            for (std::size_t i = 0; open && i < step.Bytes.size() && !stop_; ++i) {
                open = SendAll(client, &step.Bytes[i], 1);
                Sleep(step.Ms);
            }
            break;
        case Script::Step::Hold:
            HoldOpen(client);
            break;
        case Script::Step::Close:
            open = false;
            break;
        case Script::Step::Reset: {
            linger hard{1, 0};
            setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
            closesocket(client);
            return;
        }
        }
    }
    shutdown(client, SD_SEND);
    closesocket(client);
}

bool HostileServer::SendAll(SOCKET client, const char* data, std::size_t size) {
    while (size > 0) {
        const int part = size > 65536 ? 65536 : static_cast<int>(size);
        const int n = send(client, data, part, 0);
        if (n <= 0) return false;  // the client has gone: the rest of the script is moot
        bytesSent_ += n;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void HostileServer::Sleep(int ms) const {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    while (!stop_ && GetTickCount64() < end) ::Sleep(ms < 10 ? static_cast<DWORD>(ms) : 10);
}

void HostileServer::HoldOpen(SOCKET client) const {
    char buffer[512];
    while (!stop_) {
        if (!Readable(client)) continue;
        if (recv(client, buffer, sizeof buffer, 0) <= 0) return;  // the client closed or reset
    }
}

}  // namespace hostile
