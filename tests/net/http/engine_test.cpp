// The engine's behaviour beyond one scripted exchange (the cases hold the rest): cancel in the
// middle of a body, the status reports, a refused connection and the request
// after it, and a redirect to a second server.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "tests/net/http/CaseServer.h"
#include "tests/net/http/EngineRun.h"
#include "tests/support/Loopback.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"

using httptest::TCaseServer;
using net::THttpClient;

namespace {

const char kOkHeader[] = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

std::string Pattern(char seed, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 % 251);
    return bytes;
}

class Engine : public testing::Test {
protected:
    void SetUp() override {
        httptest::RecordEvents(client, events);
        client.OnStatus = [this](void*, const std::string& status) { statuses.push_back(status); };
    }

    // Each connection is answered by the next of these replies, the last one by every later one.
    void Serve(const std::vector<std::string>& replies) {
        std::vector<TCaseServer::Script> scripts;
        for (const std::string& reply : replies) scripts.push_back(httptest::Actions({{THttpAction::Send, reply}}));
        server.Start(scripts);
    }
    std::string Url(const std::string& path) const { return "http://" + server.Address() + path; }
    bool Saw(const std::vector<std::string>& list, const std::string& item) const {
        return std::find(list.begin(), list.end(), item) != list.end();
    }
    // The text of the exception the request ends with; empty when it returns.
    std::string ErrorOf(const std::string& url) {
        try {
            client.Get(url);
        } catch (const std::exception& error) {
            return error.what();
        }
        return "";
    }

    TCaseServer server;
    THttpClient client;
    testsupport::TemporaryFile bodyFile{"engine.body"};
    std::vector<std::string> events, statuses;
};

TEST_F(Engine, AbortDuringTheBodyEndsTheRequestAndKeepsThePartialFile) {
    const std::string first = Pattern('a', 65536), rest = Pattern('b', 65536);
    server.Start({httptest::Actions({{THttpAction::Send, std::string(kOkHeader) + first, 0},
                                     {THttpAction::Delay, "", 400},
                                     {THttpAction::Send, rest, 0}})});
    client.ReportLevel = 8;
    client.OnPacketRecvd = [this](void*) { client.Abort(); };
    client.InputFileMode = true;
    client.Body = bodyFile.Path();
    EXPECT_THROW(client.Get(Url("/big")), net::EAbortError);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.back(), "Disconnect");
    EXPECT_FALSE(Saw(events, "Success"));
    const std::string partial = testsupport::ReadWholeFile(client.Body);
    EXPECT_EQ(static_cast<std::int64_t>(partial.size()), client.BytesReceived);
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), first.size() + rest.size());
    EXPECT_TRUE(first.compare(0, partial.size(), partial) == 0);
    // The client's own Abort says "Canceling" only; the inherited one would also say "Abort".
    EXPECT_TRUE(Saw(statuses, "Canceling"));
    EXPECT_FALSE(Saw(statuses, "Abort"));
}

TEST_F(Engine, ARefusedConnectionFailsPromptlyAndTheClientServesTheNextRequest) {
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(ErrorOf("http://" + loopback::Address(loopback::ClosedPort()) + "/x"), "Connection Failed");
    EXPECT_LT(GetTickCount64() - start, 10000u);
    EXPECT_TRUE(Saw(events, "ConnectionFailed"));
    EXPECT_EQ(events.back(), "Disconnect");

    Serve({std::string(kOkHeader) + "fine"});
    client.Get(Url("/x"));
    EXPECT_EQ(client.Body, "fine");
}

// At level 8 the header goes out by Write and the blank line by Writeln, each reported; at level
// 2 only a completed transaction is.
TEST_F(Engine, StatusReportsFollowTheReportLevel) {
    Serve({kOkHeader, kOkHeader, "HTTP/1.0 404 Not Found\r\n\r\n"});
    client.ReportLevel = 8;
    EXPECT_EQ(ErrorOf(Url("/x")), "");
    std::vector<std::string> io;
    std::copy_if(statuses.begin(), statuses.end(), std::back_inserter(io),
                 [](const std::string& s) { return s == "Write" || s == "Writeln" || s == "ReadLn"; });
    ASSERT_GE(io.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(io.begin(), io.begin() + 4),
              (std::vector<std::string>{"Write", "Writeln", "Write", "ReadLn"}));
    statuses.clear();
    client.ReportLevel = 2;
    client.Get(Url("/ok"));
    EXPECT_EQ(statuses, std::vector<std::string>{"Transaction Completed"});
    client.Get(Url("/missing"));
    EXPECT_EQ(statuses.size(), 1u);
}

TEST_F(Engine, ARedirectToAnotherPortIsFollowedThere) {
    TCaseServer mirror;
    mirror.Serve("/mirror/quorvane.exe", "from the mirror");
    Serve({"HTTP/1.0 302 Found\r\nLocation: http://" + mirror.Address() + "/mirror/quorvane.exe\r\n\r\n"});
    client.InputFileMode = true;
    client.Body = bodyFile.Path();
    EXPECT_EQ(ErrorOf(Url("/download/lite/quorvane.exe")), "");
    EXPECT_EQ(client.ReplyCode, 200);
    EXPECT_EQ(testsupport::ReadWholeFile(client.Body), "from the mirror");
    EXPECT_EQ(mirror.Paths(), std::vector<std::string>{"/mirror/quorvane.exe"});
}

// Proxy credentials belong to the proxy that asked for them with its own 407: never sent before
// it asked, then on its later requests; a redirect whose route goes through another proxy does
// not take them there, even when that proxy asks too.
TEST_F(Engine, ProxyCredentialsGoOnlyToTheProxyThatAskedForThem) {
    const std::string asks =
        "HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"q\"\r\n\r\n";
    TCaseServer other;
    other.Start({httptest::Actions({{THttpAction::Send, asks}})});
    Serve({asks, "HTTP/1.0 302 Found\r\nLocation: http://elsewhere.invalid/x\r\n\r\n", httptest::Ok("later")});
    client.ChooseProxy = [&](const std::string&, const std::string& host) {
        return TProxyRoute{"127.0.0.1", host == "elsewhere.invalid" ? other.Port() : server.Port()};
    };
    client.HeaderInfo->ProxyUserId = "quorvane";
    client.HeaderInfo->ProxyPassword = "secret";
    EXPECT_EQ(ErrorOf("http://quorvane.invalid/x"), "Proxy 127.0.0.1:" + std::to_string(other.Port()) +
                                                        " asks for a user name and password (407), and none was given");
    EXPECT_EQ(ErrorOf("http://quorvane.invalid/y"), "");
    EXPECT_EQ(client.Body, "later");
    const auto carries = [](const std::string& request) {
        return request.find("\r\nProxy-Authorization: Basic ") != std::string::npos;
    };
    const std::vector<std::string> asked = server.Requests(), elsewhere = other.Requests();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(std::vector<bool>({carries(asked[0]), carries(asked[1]), carries(asked[2])}),
              std::vector<bool>({false, true, true}));
    ASSERT_EQ(elsewhere.size(), 1u);
    EXPECT_FALSE(carries(elsewhere[0])) << elsewhere[0];
}

}  // namespace
