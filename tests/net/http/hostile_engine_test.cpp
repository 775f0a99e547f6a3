// The HTTP engine against servers that misbehave in ways the reply cases cannot script: a TCP
// reset, a peer that never answers, a byte every 100 ms, a second server, a refused port, and
// replies too large for the line reader. Nothing may crash or hang; every failure is an error.
#include <gtest/gtest.h>

#include "HostileServer.h"
#include "net/http/HttpClient.h"

#include <functional>

using hostile::HostileServer;
using hostile::Reply;
using hostile::Script;

namespace {

const std::string kPath = "/download/lite/quorvane.exe";

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::string FileBytes(const std::string& path) {
    std::string bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

// A port on which nothing listens: bound, then let go.
int ClosedPort() {
    HostileServer probe;
    const int port = probe.Port();
    return port;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        client.InputFileMode = true;
        client.Body = body;
    }
    void TearDown() override { DeleteFileA(body.c_str()); }

    std::string Url(const HostileServer& s, const std::string& path = kPath) { return "http://" + s.Address() + path; }

    // Runs Get and gives the message of what it raised ("" when it returned), and its duration.
    std::string Get(const std::string& url, DWORD* ms = nullptr) {
        const ULONGLONG start = GetTickCount64();
        std::string message;
        try {
            client.Get(url);
        } catch (const std::exception& e) {
            message = e.what();
            if (message.empty()) message = "(exception without a message)";
        }
        if (ms) *ms = static_cast<DWORD>(GetTickCount64() - start);
        return message;
    }

    HostileServer server;
    net::THttpClient client;
    const std::string body = TempFile("quorvane-hostile-engine.bin");
};

TEST_F(EngineTest, AHeaderLineOfOneMebibyteWithoutALineEndIsRefused) {
    server.On(kPath, Script().Send("HTTP/1.0 200 OK\r\nX-Long: " + std::string(1 << 20, 'a')));
    DWORD ms = 0;
    EXPECT_EQ(Get(Url(server), &ms), "Line too long");
    EXPECT_LT(ms, 10000u);
    EXPECT_FALSE(client.Connected());
}

TEST_F(EngineTest, AStatusLineOfOneMebibyteIsRefused) {
    server.On(kPath, Script().Send("HTTP/1.0 200 " + std::string(1 << 20, 'O') + "\r\n\r\nbody"));
    EXPECT_EQ(Get(Url(server)), "Line too long");
}

// A server that sends header lines without end: the request fails at the header's bound, soon,
// and the client never holds more of the header than the bound. In many short lines (which
// Wine makes dear: two receive calls each) and in a few long ones.
TEST_F(EngineTest, HeaderLinesWithoutEndAreRefusedAtTheBound) {
    const std::string shortLines = [] {
        std::string lines;
        for (int i = 0; i < 100000; ++i) lines += "X-Pad: y\r\n";
        return lines;
    }();
    const std::string longLines = [] {
        std::string lines;
        for (int i = 0; i < 40; ++i) lines += "X-Long: " + std::string(60000, 'l') + "\r\n";
        return lines;
    }();
    client.InputFileMode = false;
    for (const std::string* lines : {&shortLines, &longLines}) {
        server.On(kPath, Script().Send("HTTP/1.0 200 OK\r\n" + *lines).Hold());
        DWORD ms = 0;
        EXPECT_EQ(Get(Url(server), &ms), "Reply header too large");
        EXPECT_LT(ms, 30000u);  // without the bound it would wait for ever: the server holds on
        EXPECT_LE(client.Header.size(), std::size_t{1} << 20);
        EXPECT_FALSE(client.HeaderComplete);
        EXPECT_FALSE(client.Connected());
    }
}

// Without InputFileMode the body goes into memory: a body past the bound is refused, whether
// its length is announced (before a byte is taken) or not (once it is passed).
TEST_F(EngineTest, ABodyTooLargeForMemoryIsRefused) {
    client.InputFileMode = false;
    const std::string big(net::THttpClient::MaxBodyInMemory + 1, 'b');
    const Script scripts[] = {
        Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 4294967296"}, "b")).Hold(),
        Script().Send("HTTP/1.0 200 OK\r\n\r\n" + big),
    };
    for (const Script& script : scripts) {
        server.On(kPath, script);
        EXPECT_EQ(Get(Url(server)), "Reply body too large to be held in memory");
        EXPECT_TRUE(client.Body.empty());
        EXPECT_FALSE(client.Connected());
    }
    // Exactly the bound is still held.
    server.On(kPath, Script().Send("HTTP/1.0 200 OK\r\n\r\n" + big.substr(1)));
    EXPECT_EQ(Get(Url(server)), "");
    EXPECT_EQ(client.Body.size(), big.size() - 1);
}

TEST_F(EngineTest, ARedirectLoopEndsAfterTwentyPasses) {
    server.On(kPath, Script().Send(Reply("HTTP/1.0 302 Found", {"Location: " + Url(server)}, "")));
    DWORD ms = 0;
    EXPECT_EQ(Get(Url(server), &ms), "Too many redirects");
    EXPECT_GE(server.Connections(), 20);
    EXPECT_LE(server.Connections(), 21);
    EXPECT_LT(ms, 20000u);
}

TEST_F(EngineTest, ARedirectWithoutLocationToItselfAlsoEnds) {
    // 303 to 399 run another pass to the same URL: the same bound applies.
    server.On(kPath, Script().Send(Reply("HTTP/1.0 307 Again", {}, "")));
    EXPECT_EQ(Get(Url(server)), "Too many redirects");
    EXPECT_LE(server.Connections(), 21);
}

TEST_F(EngineTest, ARedirectToAnotherPortIsFollowedThere) {
    HostileServer other;
    other.Serve("/mirror/quorvane.exe", "from the mirror");
    server.On(kPath, Script().Send(Reply("HTTP/1.0 302 Found", {"Location: " + Url(other, "/mirror/quorvane.exe")}, "")));
    EXPECT_EQ(Get(Url(server)), "");
    EXPECT_EQ(client.ReplyCode, 200);
    EXPECT_EQ(FileBytes(body), "from the mirror");
    EXPECT_EQ(other.Paths(), std::vector<std::string>{"/mirror/quorvane.exe"});
}

TEST_F(EngineTest, RefusedConnectionsFailPromptly) {
    const int closed = ClosedPort();
    DWORD ms = 0;
    EXPECT_EQ(Get("http://127.0.0.1:" + std::to_string(closed) + kPath, &ms), "Connection Failed");
    EXPECT_LT(ms, 10000u);
    // The same through a redirect.
    server.On(kPath, Script().Send(Reply("HTTP/1.0 302 Found",
                                         {"Location: http://127.0.0.1:" + std::to_string(closed) + "/x"}, "")));
    EXPECT_EQ(Get(Url(server)), "Connection Failed");
    EXPECT_FALSE(client.Connected());
}

TEST_F(EngineTest, ANameThatDoesNotResolveFailsAfterItsEvent) {
    int invalid = 0;
    client.OnInvalidHost = [&](bool&) { ++invalid; };
    EXPECT_EQ(Get("http://quorvane-nowhere.invalid/x"), "Null Remote Address");
    EXPECT_EQ(invalid, 1);
}

// Cancel from inside the wait, as the wizard's Cancel button does it: a timer's callback runs
// in the engine's message pump.
net::THttpClient* g_abortTarget = nullptr;
void CALLBACK AbortSoon(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_abortTarget) g_abortTarget->Abort();
}

class AbortTest : public EngineTest {
protected:
    // Get, aborted 300 ms after it began; its error must come well within 3 s.
    std::string GetAborted() {
        g_abortTarget = &client;
        SetTimer(nullptr, 0, 300, AbortSoon);
        DWORD ms = 0;
        const std::string message = Get(Url(server), &ms);
        g_abortTarget = nullptr;
        EXPECT_LT(ms, 3000u);
        EXPECT_FALSE(client.Connected());
        return message;
    }
};

TEST_F(AbortTest, APeerThatNeverAnswersEndsPromptly) {
    server.On(kPath, Script().Hold());
    EXPECT_EQ(GetAborted(), "Socket readln aborted");
}

TEST_F(AbortTest, APeerThatStopsInTheMiddleOfTheBodyEndsLeavingThePartialFile) {
    server.On(kPath, Script().Send(Reply("HTTP/1.0 200 OK", {"Content-Length: 100000"}, std::string(1000, 'p'))).Hold());
    EXPECT_EQ(GetAborted(), "Socket send aborted");
    EXPECT_EQ(FileBytes(body), std::string(1000, 'p'));
}

TEST_F(EngineTest, ATimeOutEndsAPeerThatNeverAnswers) {
    server.On(kPath, Script().Hold());
    client.TimeOut = 300;
    DWORD ms = 0;
    EXPECT_EQ(Get(Url(server), &ms), "Socket readln aborted");
    EXPECT_LT(ms, 3000u);
}

// The header goes out by Write and the blank line by Writeln, each reported; a header of 64 KiB
// or more is refused with the range error before any of it is sent.
TEST_F(EngineTest, TheRequestHeaderIsWrittenAsReportedAndBoundedAt64KiB) {
    server.Serve(kPath, "ok");
    std::vector<std::string> statuses;
    client.ReportLevel = 8;
    client.OnStatus = [&](void*, const std::string& status) {
        if (status == "Write" || status == "Writeln" || status == "ReadLn") statuses.push_back(status);
    };
    EXPECT_EQ(Get(Url(server)), "");
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(statuses.begin(), statuses.begin() + 3),
              (std::vector<std::string>{"Write", "Writeln", "Write"}));
    EXPECT_EQ(statuses[3], "ReadLn");
    client.HeaderInfo->Referer = std::string(70000, 'r');
    EXPECT_EQ(Get(Url(server)), "Range check error");
    for (int i = 0; i < 200 && server.Requests().size() < 2; ++i) Sleep(10);  // the server notes the close
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests().back(), "");
}

TEST_F(EngineTest, OneBytePerHundredMillisecondsStillGivesTheWholeReply) {
    server.On(kPath, Script().Trickle("HTTP/1.0 200 OK\r\n\r\nok", 100));
    int packets = 0;
    client.OnPacketRecvd = [&](void*) { ++packets; };
    EXPECT_EQ(Get(Url(server)), "");
    EXPECT_EQ(client.ReplyCode, 200);
    EXPECT_EQ(FileBytes(body), "ok");
    EXPECT_EQ(packets, 2);
}

TEST_F(EngineTest, AServerThatClosesBeforeTheStatusLineGivesNoSuccessWithABody) {
    for (Script script : {Script().Immediately().Close(), Script().Immediately().Reset(), Script().Close()}) {
        server.On("*", script);
        const std::string message = Get(Url(server));
        if (message.empty()) {
            EXPECT_EQ(client.ReplyCode, 0);
            EXPECT_EQ(FileBytes(body), "");
        }
        EXPECT_FALSE(client.Connected());
    }
}

TEST_F(EngineTest, ABodyFileThatCannotBeCreatedIsAnErrorNamingIt) {
    server.Serve(kPath, "body");
    const std::string folder = TempFile("quorvane-hostile-folder");
    CreateDirectoryA(folder.c_str(), nullptr);
    client.Body = folder;
    const std::string message = Get(Url(server));
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(message.rfind("Cannot create file", 0), 0u) << message;
    EXPECT_NE(message.find(folder), std::string::npos) << message;
    EXPECT_FALSE(client.Connected());
}

}  // namespace
