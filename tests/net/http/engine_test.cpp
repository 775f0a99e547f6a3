// The engine's behaviour beyond one scripted exchange: cancel and time-out in the middle of a
// body, the redirect bound, data sent from files and as text, file errors, a refused
// connection, and what one request leaves for the next.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "tests/net/http/CaseServer.h"
#include "tests/net/http/EngineRun.h"

using httptest::TCaseServer;
using net::THttpClient;

namespace {

const char kOkHeader[] = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

TCaseServer::Script Reply(const std::string& bytes) { return {THttpAction{THttpAction::Send, bytes, 0}}; }

std::string Url(const TCaseServer& server, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

std::string ErrorOf(const std::function<void()>& request) {
    try {
        request();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

std::string Pattern(char seed, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 % 251);
    return bytes;
}

TEST(Engine, AbortDuringTheBodyEndsTheRequestAndKeepsThePartialFile) {
    TCaseServer server;
    const std::string first = Pattern('a', 65536), rest = Pattern('b', 65536);
    server.Start({{THttpAction{THttpAction::Send, std::string(kOkHeader) + first, 0},
                   THttpAction{THttpAction::Delay, "", 400}, THttpAction{THttpAction::Send, rest, 0}}});
    THttpClient client;
    std::vector<std::string> events, statuses;
    httptest::RecordEvents(client, events, false);
    client.ReportLevel = 8;
    client.OnStatus = [&](void*, const std::string& status) { statuses.push_back(status); };
    client.OnPacketRecvd = [&](void*) { client.Abort(); };
    client.InputFileMode = true;
    client.Body = httptest::TempFile("abort.body");
    bool aborted = false;
    try {
        client.Get(Url(server, "/big"));
    } catch (const net::EAbortError&) {
        aborted = true;
    }
    EXPECT_TRUE(aborted);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.back(), "Disconnect");
    EXPECT_EQ(std::count(events.begin(), events.end(), "Success"), 0);
    const std::string partial = httptest::ReadWholeFile(client.Body);
    EXPECT_EQ(static_cast<std::int64_t>(partial.size()), client.BytesReceived);
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), first.size() + rest.size());
    EXPECT_TRUE(first.compare(0, partial.size(), partial) == 0);
    // The client's own Abort says "Canceling" only; the inherited one would also say "Abort".
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Canceling"), statuses.end());
    EXPECT_EQ(std::find(statuses.begin(), statuses.end(), "Abort"), statuses.end());
}

TEST(Engine, TimeOutInAStalledBodyEndsTheRequestLikeACancel) {
    TCaseServer server;
    server.Start({{THttpAction{THttpAction::Send, std::string(kOkHeader) + "part", 0},
                   THttpAction{THttpAction::Delay, "", 1500}, THttpAction{THttpAction::Send, "late", 0}}});
    THttpClient client;
    client.TimeOut = 200;
    const DWORD start = GetTickCount();
    bool aborted = false;
    try {
        client.Get(Url(server, "/stall"));
    } catch (const net::EAbortError&) {
        aborted = true;
    }
    EXPECT_TRUE(aborted);
    EXPECT_LT(GetTickCount() - start, 1400u);
    EXPECT_EQ(client.Body, "part");
    EXPECT_FALSE(client.Connected());
}

std::vector<TCaseServer::Script> Redirects(int count, const std::string& last) {
    std::vector<TCaseServer::Script> passes;
    for (int i = 0; i < count; ++i) {
        passes.push_back(Reply("HTTP/1.0 302 Found\r\nLocation: /hop" + std::to_string(i + 1) + "\r\n\r\n"));
    }
    passes.push_back(Reply(last));
    return passes;
}

TEST(Engine, FollowsTwentyRedirectsAndRefusesTheTwentyFirst) {
    TCaseServer server;
    server.Start(Redirects(20, std::string(kOkHeader) + "arrived"));
    THttpClient client;
    client.Get(Url(server, "/hop0"));
    EXPECT_EQ(client.ReplyCode, 200);
    EXPECT_EQ(client.Body, "arrived");
    EXPECT_EQ(client.CurrentURL, "/hop20");
    EXPECT_EQ(server.Finish().size(), 21u);

    TCaseServer endless;
    endless.Start(Redirects(21, "HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n"));
    THttpClient looping;
    int redirects = 0;
    looping.OnRedirect = [&](bool&) { ++redirects; };
    EXPECT_EQ(ErrorOf([&] { looping.Get(Url(endless, "/hop0")); }), "Too many redirects");
    EXPECT_EQ(endless.Finish().size(), 21u);
    EXPECT_EQ(redirects, 21);
    EXPECT_FALSE(looping.Connected());
}

TEST(Engine, PutSendsADataFileWholeAndWritesTheHeaderToAFile) {
    const std::string data = Pattern('d', 150000) + std::string(3, '\0');
    const std::string dataFile = httptest::TempFile("put.data");
    httptest::WriteWholeFile(dataFile, data);
    TCaseServer server;
    server.Start({Reply("HTTP/1.0 201 Created\r\nX-A: 1\r\n\r\nstored")});
    THttpClient client;
    int sent = 0;
    client.OnPacketSent = [&](void* sender) {
        EXPECT_EQ(sender, &client);
        ++sent;
    };
    client.OutputFileMode = true;
    client.Header = httptest::TempFile("put.head");
    client.Put(Url(server, "/upload"), dataFile);
    const std::vector<std::string> requests = server.Finish();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& request = requests[0];
    EXPECT_EQ(request.rfind("PUT /upload HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(request.find("\r\nContent-Length: 150003\r\n\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.size() - data.size()), data);
    EXPECT_GE(sent, 3);
    EXPECT_EQ(client.ReplyCode, 201);
    EXPECT_EQ(client.Body, "stored");
    EXPECT_EQ(httptest::ReadWholeFile(client.Header), "HTTP/1.0 201 Created\r\nX-A: 1\r\n\r\n");
}

TEST(Engine, TextDataIsSentWholeWithZeroBytesAndBeyond64KiB) {
    const std::string data = std::string("a\0b", 3) + Pattern('t', 70000);
    TCaseServer server;
    server.Start({Reply(kOkHeader)});
    THttpClient client;
    client.Put(Url(server, "/text"), data);
    const std::vector<std::string> requests = server.Finish();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("\r\nContent-Length: 70003\r\n\r\n"), std::string::npos);
    EXPECT_TRUE(requests[0].size() > data.size() && requests[0].substr(requests[0].size() - data.size()) == data);
}

TEST(Engine, AMissingDataFileFailsBeforeConnecting) {
    TCaseServer server;
    server.Start({Reply(kOkHeader)});
    THttpClient client;
    std::vector<std::string> events;
    httptest::RecordEvents(client, events, false);
    client.OutputFileMode = true;
    const std::string missing = httptest::TempFile("no-such-data");
    EXPECT_EQ(ErrorOf([&] { client.Post(Url(server, "/p"), missing); }), "Cannot open file " + missing);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(server.Finish().empty());
}

TEST(Engine, ABodyFileThatCannotBeCreatedEndsThePassClosed) {
    TCaseServer server;
    server.Start({Reply(std::string(kOkHeader) + "body")});
    THttpClient client;
    std::vector<std::string> events;
    httptest::RecordEvents(client, events, false);
    client.InputFileMode = true;
    client.Body = httptest::TempFile("no-such-folder\\body.bin");
    EXPECT_EQ(ErrorOf([&] { client.Get(Url(server, "/b")); }), "Cannot create file " + client.Body);
    EXPECT_EQ(client.ReplyCode, 200);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.back(), "Disconnect");
    EXPECT_EQ(std::count(events.begin(), events.end(), "Success"), 0);
}

TEST(Engine, ARefusedConnectionFailsAndTheClientServesTheNextRequest) {
    int closedPort = 0;
    {
        TCaseServer probe;  // bound, then released: nobody listens there any more
        closedPort = probe.Port();
    }
    THttpClient client;
    std::vector<std::string> events;
    httptest::RecordEvents(client, events, false);
    EXPECT_EQ(ErrorOf([&] { client.Get("http://127.0.0.1:" + std::to_string(closedPort) + "/x"); }),
              "Connection Failed");
    EXPECT_NE(std::find(events.begin(), events.end(), "ConnectionFailed"), events.end());
    EXPECT_EQ(events.back(), "Disconnect");

    TCaseServer server;
    server.Start({Reply(std::string(kOkHeader) + "fine")});
    client.Get(Url(server, "/x"));
    EXPECT_EQ(client.Body, "fine");
}

TEST(Engine, ACookieFromARedirectGoesWithLaterRequestsToo) {
    TCaseServer server;
    server.Start({Reply("HTTP/1.0 302 Found\r\nSet-Cookie: id=7\r\nLocation: /b\r\n\r\n"), Reply(kOkHeader),
                  Reply(kOkHeader)});
    THttpClient client;
    client.Get(Url(server, "/a"));
    client.Get(Url(server, "/c"));
    const std::vector<std::string> requests = server.Finish();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nCookie: id=7\r\n"), std::string::npos);
    EXPECT_NE(requests[2].find("\r\nCookie: id=7\r\n"), std::string::npos);
}

TEST(Engine, AnnouncedLengthIsToldApartFromNone) {
    TCaseServer server;
    server.Start({Reply("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"), Reply("HTTP/1.0 200 OK\r\n\r\nxyz")});
    THttpClient client;
    client.Get(Url(server, "/empty"));
    EXPECT_TRUE(client.HasContentLength);
    EXPECT_EQ(client.BytesExpected, 0);
    client.Get(Url(server, "/unknown"));
    EXPECT_FALSE(client.HasContentLength);
    EXPECT_EQ(client.BytesExpected, 0);
    EXPECT_EQ(client.BytesReceived, 3);
}

TEST(Engine, After401TheHostRetriesWithTheCredentialsItSet) {
    TCaseServer server;
    server.Start({Reply("HTTP/1.0 401 Unauthorized\r\n\r\n"), Reply(kOkHeader)});
    THttpClient client;
    std::vector<int> failures, successes;
    client.OnFailure = [&](CmdType kind) { failures.push_back(kind); };
    client.OnSuccess = [&](CmdType kind) { successes.push_back(kind); };
    client.OnAuthenticationNeeded = [&](void*) {
        client.HeaderInfo->UserId = "jean";
        client.HeaderInfo->Password = "s3cret";
    };
    client.Delete(Url(server, "/f"));
    EXPECT_EQ(client.ReplyCode, 401);
    EXPECT_EQ(failures, std::vector<int>{rkDelete});
    client.Delete(Url(server, "/f"));
    EXPECT_EQ(successes, std::vector<int>{rkDelete});
    const std::vector<std::string> requests = server.Finish();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Authorization"), std::string::npos);
    // "jean:s3cret" in Base64.
    EXPECT_NE(requests[1].find("\r\nAuthorization: Basic amVhbjpzM2NyZXQ=\r\n"), std::string::npos);
}

TEST(Engine, ReportsTheCompletedTransactionAtLevelTwo) {
    TCaseServer server;
    server.Start({Reply(kOkHeader), Reply("HTTP/1.0 404 Not Found\r\n\r\n")});
    THttpClient client;
    std::vector<std::string> statuses;
    client.ReportLevel = 2;
    client.OnStatus = [&](void*, const std::string& status) { statuses.push_back(status); };
    client.Get(Url(server, "/ok"));
    EXPECT_EQ(statuses, std::vector<std::string>{"Transaction Completed"});
    client.Get(Url(server, "/missing"));
    EXPECT_EQ(statuses.size(), 1u);
}

}  // namespace
