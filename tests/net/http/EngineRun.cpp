#include "tests/net/http/EngineRun.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/net/http/CaseServer.h"

namespace httptest {

std::string WithPort(std::string text, int port) {
    const std::string to = std::to_string(port);
    for (std::size_t at = text.find(kCasePort); at != std::string::npos; at = text.find(kCasePort, at + to.size())) {
        text.replace(at, sizeof kCasePort - 1, to);
    }
    return text;
}

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

int FixedPort(const THttpCase& testCase) {
    // Through a proxy the connection goes to the proxy's port, whatever the URL's.
    const auto port = testCase.ClientValue("proxy").empty() ? testCase.OutcomeValue("port")
                                                             : std::optional(testCase.ClientValue("proxy-port"));
    if (!port || *port == kCasePort) return 0;
    return std::stoi(*port);
}

void RecordEvents(net::THttpClient& client, std::vector<std::string>& events, bool handleRedirect) {
    auto note = [&events](const char* name) { return [&events, name](void*) { events.push_back(name); }; };
    client.OnAboutToSend = note("AboutToSend");
    client.OnHostResolved = note("HostResolved");
    client.OnConnect = note("Connect");
    client.OnConnectionFailed = note("ConnectionFailed");
    client.OnPacketSent = note("PacketSent");
    client.OnPacketRecvd = note("PacketRecvd");
    client.OnDisconnect = note("Disconnect");
    client.OnAuthenticationNeeded = note("AuthenticationNeeded");
    client.OnInvalidHost = [&events](bool&) { events.push_back("InvalidHost"); };
    client.OnSuccess = [&events](CmdType) { events.push_back("Success"); };
    client.OnFailure = [&events](CmdType) { events.push_back("Failure"); };
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
    if (client.InputFileMode) {
        client.Body = TempFile(c.Name + ".body");
        // Wine reuses process numbers: a file an earlier run left under this name would pass for
        // the body of a request that never wrote one.
        DeleteFileA(client.Body.c_str());
    }
    if (client.OutputFileMode) client.Header = TempFile(c.Name + ".head");
}

}  // namespace

void MakeRequest(net::THttpClient& client, const THttpCase& c) {
    SetUpClient(client, c);
    const std::string kind = c.ClientValue("kind", "GET");
    const std::string url = c.ClientValue("url");
    std::string data = c.ClientValue("data");
    if (client.OutputFileMode && c.Client.count("data")) {
        // With OutputFileMode the data is the name of the file whose bytes are sent.
        WriteWholeFile(TempFile(c.Name + ".data"), data);
        data = TempFile(c.Name + ".data");
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

TEngineRun RunCase(const THttpCase& original) {
    const int fixed = FixedPort(original);
    auto server = std::make_unique<TCaseServer>(fixed);
    // Rewriting the case must change no length (Content-Length lines count these bytes).
    while (fixed == 0 && server->Port() < 10000) server = std::make_unique<TCaseServer>(0);
    TEngineRun run;
    run.Case = fixed == 0 ? CaseOnPort(original, server->Port()) : original;
    const THttpCase& c = run.Case;
    std::vector<TCaseServer::Script> scripts;
    for (const THttpPass& pass : c.Passes) scripts.push_back(pass.Reply);
    // A case that must not connect still gets a server: any connection would be recorded.
    if (scripts.empty()) scripts.emplace_back();
    server->Start(std::move(scripts));
    run.Client = std::make_unique<net::THttpClient>();
    RecordEvents(*run.Client, run.Events, c.ClientFlag("handle-redirect"));
    try {
        MakeRequest(*run.Client, c);
    } catch (const std::exception& error) {
        run.Exception = error.what();
    }
    if (run.Client->InputFileMode) run.BodyFile = ReadWholeFile(run.Client->Body);
    run.Requests = server->Finish();
    return run;
}

std::string ReadWholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteWholeFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFile(const std::string& name) {
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(sizeof folder, folder);
    return std::string(folder) + "qv-engine-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

}  // namespace httptest
