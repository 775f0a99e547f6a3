#include "tests/net/http/EngineRun.h"

#include <windows.h>

#include <stdexcept>

#include "tests/net/http/CaseServer.h"
#include "tests/support/Loopback.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"

namespace httptest {
namespace {

// The cases' own ports; the server's port replaces the first, a closed port the second. Five
// digits each, as the ports they become, so that no length in a case changes.
constexpr char kCasePort[] = "18080";
constexpr char kClosedCasePort[] = "18081";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The port a case names for "nothing listens here", once per program: five digits too.
const std::string& ClosedCasePort() {
    static const std::string port = [] {
        int closed = loopback::ClosedPort();
        while (closed < 10000) closed = loopback::ClosedPort();
        return std::to_string(closed);
    }();
    return port;
}

std::string WithPort(std::string text, int port) {
    return Replaced(Replaced(std::move(text), kCasePort, std::to_string(port)), kClosedCasePort, ClosedCasePort());
}

// The port the case's server must listen on: 0 (any) unless the case leads to a fixed port.
int FixedPort(const THttpCase& testCase) {
    // Through a proxy the connection goes to the proxy's port, whatever the URL's.
    const auto port = testCase.ClientValue("proxy").empty() ? testCase.OutcomeValue("port")
                                                            : std::optional(testCase.ClientValue("proxy-port"));
    if (!port || *port == kCasePort) return 0;
    return std::stoi(*port);
}

}  // namespace

THttpCase CaseOnPort(const THttpCase& testCase, int port) {
    THttpCase moved = testCase;
    for (auto& [key, value] : moved.Client) value = WithPort(value, port);
    for (auto& [key, value] : moved.Outcome) value = WithPort(value, port);
    for (THttpPass& pass : moved.Passes) {
        if (pass.Request) pass.Request = WithPort(*pass.Request, port);
        if (pass.Header) pass.Header = WithPort(*pass.Header, port);
        for (THttpAction& action : pass.Reply) action.Bytes = WithPort(action.Bytes, port);
    }
    if (moved.Body) moved.Body = WithPort(*moved.Body, port);
    return moved;
}

void RecordEvents(net::THttpClient& client, std::vector<std::string>& events, bool handleRedirect) {
    // Each event names its own client as sender: another shows in the name.
    auto note = [&events, &client](const char* name) {
        return [&events, &client, name](void* sender) {
            events.push_back(sender == &client ? name : std::string(name) + "(other sender)");
        };
    };
    client.OnAboutToSend = note("AboutToSend");
    client.OnHostResolved = note("HostResolved");
    client.OnConnect = note("Connect");
    client.OnConnectionFailed = note("ConnectionFailed");
    client.OnPacketSent = note("PacketSent");
    client.OnPacketRecvd = note("PacketRecvd");
    client.OnDisconnect = note("Disconnect");
    client.OnAuthenticationNeeded = note("AuthenticationNeeded");
    client.OnInvalidHost = [&events](bool&) { events.push_back("InvalidHost"); };
    // The command the event names must be the request's own: another shows in the name.
    auto outcome = [&events, &client](const char* name) {
        return [&events, &client, name](CmdType kind) {
            events.push_back(kind == client.RequestKind ? name : std::string(name) + "(" + std::to_string(kind) + ")");
        };
    };
    client.OnSuccess = outcome("Success");
    client.OnFailure = outcome("Failure");
    client.OnRedirect = [&events, handleRedirect](bool& handled) {
        events.push_back("Redirect");
        handled = handleRedirect;
    };
}

namespace {

void SetUpClient(net::THttpClient& client, const THttpCase& c) {
    client.Host = c.ClientValue("host");
    client.Port = std::stoi(c.ClientValue("port", "0"));
    client.Proxy = c.ClientValue("proxy");
    client.ProxyPort = std::stoi(c.ClientValue("proxy-port", "0"));
    client.TimeOut = std::stoi(c.ClientValue("time-out", "0"));
    client.InputFileMode = c.ClientFlag("input-file-mode");
    client.OutputFileMode = c.ClientFlag("output-file-mode");
    client.EncodePostData = c.ClientFlag("encode-post-data", true);
    client.HeaderInfo->LocalMailAddress = c.ClientValue("user-agent");
    client.HeaderInfo->LocalProgram = c.ClientValue("from");
    client.HeaderInfo->Cookie = c.ClientValue("cookie");
    client.HeaderInfo->Referer = c.ClientValue("referer");
    client.HeaderInfo->UserId = c.ClientValue("user-id");
    client.HeaderInfo->Password = c.ClientValue("password");
    client.HeaderInfo->ProxyUserId = c.ClientValue("proxy-user-id");
    client.HeaderInfo->ProxyPassword = c.ClientValue("proxy-password");
    client.Body = c.ClientValue("body-file");
    if (client.InputFileMode && client.Body.empty()) {
        client.Body = testsupport::TempPath(c.Name + ".body");
        // Wine reuses process numbers: a file an earlier run left under this name would pass for
        // the body of a request that never wrote one.
        testsupport::RemoveTree(client.Body);
    }
    if (client.OutputFileMode) client.Header = testsupport::TempPath(c.Name + ".head");
}

// Makes the case's request with the client as it is.
void IssueRequest(net::THttpClient& client, const THttpCase& c) {
    const std::string kind = c.ClientValue("kind", "GET");
    const std::string url = c.ClientValue("url");
    // With OutputFileMode the data is the name of the file whose bytes are sent.
    std::string data = c.ClientValue(client.OutputFileMode ? "data-file" : "data");
    if (client.OutputFileMode && c.Client.count("data")) {
        data = testsupport::TempPath(c.Name + ".data");
        testsupport::WriteWholeFile(data, c.ClientValue("data"));
    }
    const std::string extra = c.ClientValue("extra");
    if (kind == "GET") client.Get(url);
    else if (kind == "OPTIONS") client.Options(url);
    else if (kind == "HEAD") client.Head(url);
    else if (kind == "POST") client.Post(url, data);
    else if (kind == "PUT") client.Put(url, data);
    else if (kind == "PATCH") client.Patch(url, data);
    else if (kind == "COPY") client.Copy(url, extra);
    else if (kind == "MOVE") client.Move(url, extra);
    else if (kind == "DELETE") client.Delete(url);
    else if (kind == "LINK") client.Link(url, extra);
    else if (kind == "UNLINK") client.Unlink(url, extra);
    else if (kind == "TRACE") client.Trace(url, data);
    else if (kind == "NOVERB") client.NoVerbRequest(url, data);
    else throw std::invalid_argument("unknown request kind " + kind);
}

// The client a case's abort-after timer cancels.
net::THttpClient* g_abortTarget = nullptr;
void CALLBACK AbortTarget(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_abortTarget) g_abortTarget->Abort();
}

}  // namespace

std::vector<THttpCase> LoadCases() { return LoadHttpCases(QUORVANE_HTTP_CASES, QUORVANE_CASE_PRODUCT_FILES); }

TEngineRun RunCase(const THttpCase& original) {
    const int fixed = FixedPort(original);
    auto server = std::make_unique<TCaseServer>(fixed);
    // Rewriting the case must change no length (Content-Length lines count these bytes).
    while (fixed == 0 && server->Port() < 10000) server = std::make_unique<TCaseServer>(0);
    TEngineRun run;
    run.Case = fixed == 0 ? CaseOnPort(original, server->Port()) : original;
    const THttpCase& c = run.Case;
    // A case that must not connect still gets a server: any connection would be recorded.
    server->Start(c.Passes.empty() ? std::vector<TCaseServer::Script>(1) : c.Scripts());
    run.Client = std::make_unique<net::THttpClient>();
    RecordEvents(*run.Client, run.Events, c.ClientFlag("handle-redirect"));
    if (const std::string credentials = c.ClientValue("credentials-on-401"); !credentials.empty()) {
        net::THttpClient& client = *run.Client;
        client.OnAuthenticationNeeded = [&client, &run, credentials](void*) {
            run.Events.push_back("AuthenticationNeeded");
            client.HeaderInfo->UserId = credentials.substr(0, credentials.find(':'));
            client.HeaderInfo->Password = credentials.substr(credentials.find(':') + 1);
        };
    }
    // The host cancels from inside the engine's wait, as the wizard's Cancel button does: a
    // timer's callback runs in the engine's message pump.
    g_abortTarget = run.Client.get();
    const UINT_PTR abortTimer =
        c.Client.count("abort-after") ? SetTimer(nullptr, 0, std::stoul(c.ClientValue("abort-after")), AbortTarget) : 0;
    const ULONGLONG start = GetTickCount64();
    try {
        SetUpClient(*run.Client, c);
        IssueRequest(*run.Client, c);
        // The host asks again, with what the first request left in the client.
        if (c.ClientFlag("again")) IssueRequest(*run.Client, c);
    } catch (const std::exception& error) {
        run.Exception = error.what();
    }
    run.ElapsedMs = GetTickCount64() - start;
    if (abortTimer) KillTimer(nullptr, abortTimer);
    g_abortTarget = nullptr;
    // A request that fails before its body never makes the file: the cases state that as an empty body.
    const std::string& bodyFile = run.Client->Body;
    if (run.Client->InputFileMode && testsupport::Exists(bodyFile)) run.BodyFile = testsupport::ReadWholeFile(bodyFile);
    run.Requests = server->Finish();
    return run;
}

}  // namespace httptest
