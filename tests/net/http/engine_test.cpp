// The engine's behaviour beyond one scripted exchange (the cases hold the rest): cancel in the
// middle of a body and of a wait, data sent from files and as text, file errors, a refused
// connection, a redirect to a second server, how the request header goes out, and what one
// request leaves for the next.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "tests/net/http/CaseServer.h"
#include "tests/net/http/EngineRun.h"

using httptest::TCaseServer;
using net::THttpClient;

namespace {

const char kOkHeader[] = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

TCaseServer::Script Reply(const std::string& bytes) { return httptest::Actions({{THttpAction::Send, bytes, 0}}); }

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
    server.Start({httptest::Actions({{THttpAction::Send, std::string(kOkHeader) + first, 0},
                                     {THttpAction::Delay, "", 400},
                                     {THttpAction::Send, rest, 0}})});
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

// In a folder that does not exist, or where a folder has the file's name.
TEST(Engine, ABodyFileThatCannotBeCreatedEndsThePassClosedNamingIt) {
    const std::string folder = httptest::TempFile("a-folder");
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& body : {httptest::TempFile("no-such-folder\\body.bin"), folder}) {
        TCaseServer server;
        server.Start({Reply(std::string(kOkHeader) + "body")});
        THttpClient client;
        std::vector<std::string> events;
        httptest::RecordEvents(client, events, false);
        client.InputFileMode = true;
        client.Body = body;
        EXPECT_EQ(ErrorOf([&] { client.Get(Url(server, "/b")); }), "Cannot create file " + client.Body);
        EXPECT_EQ(client.ReplyCode, 200);
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(events.back(), "Disconnect");
        EXPECT_EQ(std::count(events.begin(), events.end(), "Success"), 0);
    }
    RemoveDirectoryA(folder.c_str());
}

TEST(Engine, ARefusedConnectionFailsPromptlyAndTheClientServesTheNextRequest) {
    THttpClient client;
    std::vector<std::string> events;
    httptest::RecordEvents(client, events, false);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(ErrorOf([&] { client.Get("http://127.0.0.1:" + std::to_string(httptest::ClosedPort()) + "/x"); }),
              "Connection Failed");
    EXPECT_LT(GetTickCount64() - start, 10000u);
    EXPECT_NE(std::find(events.begin(), events.end(), "ConnectionFailed"), events.end());
    EXPECT_EQ(events.back(), "Disconnect");

    TCaseServer server;
    server.Start({Reply(std::string(kOkHeader) + "fine")});
    client.Get(Url(server, "/x"));
    EXPECT_EQ(client.Body, "fine");
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

TEST(Engine, ARedirectToAnotherPortIsFollowedThere) {
    TCaseServer first, mirror;
    mirror.Serve("/mirror/quorvane.exe", "from the mirror");
    first.Start({Reply("HTTP/1.0 302 Found\r\nLocation: " + Url(mirror, "/mirror/quorvane.exe") + "\r\n\r\n")});
    THttpClient client;
    client.InputFileMode = true;
    client.Body = httptest::TempFile("mirror.body");
    EXPECT_EQ(ErrorOf([&] { client.Get(Url(first, "/download/lite/quorvane.exe")); }), "");
    EXPECT_EQ(client.ReplyCode, 200);
    EXPECT_EQ(httptest::ReadWholeFile(client.Body), "from the mirror");
    EXPECT_EQ(mirror.Paths(), std::vector<std::string>{"/mirror/quorvane.exe"});
}

// Cancel from inside the wait, as the wizard's Cancel button does it: a timer's callback runs
// in the engine's message pump, 300 ms after the request began; its error must come well
// within 3 s. The part of the body that came stays in the file.
THttpClient* g_abortTarget = nullptr;
void CALLBACK AbortSoon(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_abortTarget) g_abortTarget->Abort();
}

TEST(Engine, AbortEndsAPeerThatNeverAnswersOrStopsInTheBody) {
    struct Stall {
        TCaseServer::Script script;
        const char* error;
        std::string partial;
    };
    const Stall stalls[] = {
        {httptest::Actions({{THttpAction::Hold, "", 0}}), "Socket readln aborted", ""},
        {httptest::Actions(
             {{THttpAction::Send, "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(1000, 'p')},
              {THttpAction::Hold, "", 0}}),
         "Socket send aborted", std::string(1000, 'p')},
    };
    for (const Stall& stall : stalls) {
        TCaseServer server;
        server.Start({stall.script});
        THttpClient client;
        client.InputFileMode = true;
        client.Body = httptest::TempFile("aborted.body");
        // The hold never starts the file: one an earlier run left would pass for its contents.
        DeleteFileA(client.Body.c_str());
        g_abortTarget = &client;
        SetTimer(nullptr, 0, 300, AbortSoon);
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(ErrorOf([&] { client.Get(Url(server, "/download/lite/quorvane.exe")); }), stall.error);
        g_abortTarget = nullptr;
        EXPECT_LT(GetTickCount64() - start, 3000u);
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(httptest::ReadWholeFile(client.Body), stall.partial);
    }
}

// The header goes out by Write and the blank line by Writeln, each reported; a header of 64 KiB
// or more is refused with the range error before any of it is sent.
TEST(Engine, TheRequestHeaderIsWrittenAsReportedAndBoundedAt64KiB) {
    TCaseServer server;
    server.Start({Reply(std::string(kOkHeader) + "ok")});
    THttpClient client;
    std::vector<std::string> statuses;
    client.ReportLevel = 8;
    client.OnStatus = [&](void*, const std::string& status) {
        if (status == "Write" || status == "Writeln" || status == "ReadLn") statuses.push_back(status);
    };
    EXPECT_EQ(ErrorOf([&] { client.Get(Url(server, "/x")); }), "");
    ASSERT_GE(statuses.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(statuses.begin(), statuses.begin() + 4),
              (std::vector<std::string>{"Write", "Writeln", "Write", "ReadLn"}));
    client.HeaderInfo->Referer = std::string(70000, 'r');
    EXPECT_EQ(ErrorOf([&] { client.Get(Url(server, "/x")); }), "Range check error");
    for (int i = 0; i < 200 && server.Requests().size() < 2; ++i) Sleep(10);  // the server notes the close
    const std::vector<std::string> requests = server.Finish();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests.back(), "");
}

}  // namespace
