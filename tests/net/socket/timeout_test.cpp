// TimeOut is the silence allowed while waiting for data: a transfer that keeps receiving is
// never cut however long it takes, a silence is. Also the other waits that a time-out or a
// cancel ends, with their exact texts.
#include <gtest/gtest.h>

#include <functional>

#include "LoopbackPeer.h"
#include "tests/support/FullListener.h"
#include "tests/support/Loopback.h"

using net::EAbortError;
using net::ESockError;
using sockettest::ErrorOf;
using sockettest::LoopbackPeer;
using sockettest::Probe;

// Twelve pieces 100 ms apart, then 1.5 s of silence and a late line: with TimeOut 400 each read
// survives the 1.2 s of data and ends 400 ms into the silence; the next read starts afresh.
TEST(TimeOut, BoundsEachWaitForDataNotTheWholeTransfer) {
    struct Reader {
        const char* what;
        std::function<std::string(Probe&)> read;  // what the data gave
        const char* silenceError;
    };
    const Reader readers[] = {
        {"CaptureString",
         [](Probe& c) {
             std::string text;
             EXPECT_EQ(ErrorOf([&] { c.CaptureString(text, -1); }), "Socket capture aborted");
             return text;
         },
         nullptr},
        {"ReadLn",
         [](Probe& c) {
             std::string line;
             c.ReadLn(line);
             return line;
         },
         "Socket readln aborted"},
    };
    const std::string piece = "0123456789";
    for (const Reader& r : readers) {
        SCOPED_TRACE(r.what);
        LoopbackPeer peer([&](SOCKET s) {
            for (int i = 0; i < 12; ++i) {
                sockettest::SendText(s, i == 11 ? piece + "\n" : piece);
                Sleep(100);
            }
            Sleep(1500);
            sockettest::SendText(s, "late\n");
        });
        Probe client;
        sockettest::ConnectTo(client, peer);
        client.TimeOut = 400;
        const DWORD start = GetTickCount();
        const std::string got = r.read(client);
        EXPECT_EQ(got.size(), 12 * piece.size() + 1);
        EXPECT_GE(GetTickCount() - start, 1000u);
        if (r.silenceError) {
            std::string line;
            const DWORD silence = GetTickCount();
            EXPECT_EQ(ErrorOf<net::EAbortError>([&] { client.ReadLn(line); }), r.silenceError);
            EXPECT_GE(GetTickCount() - silence, 350u);
            EXPECT_LT(GetTickCount() - silence, 1200u);
            EXPECT_FALSE(client.TimeoutTimer->Running());
            client.TimeOut = 0;
            client.ReadLn(line);
            EXPECT_EQ(line, "late\n");
        }
        EXPECT_FALSE(client.TimeoutTimer->Running());
    }
}

TEST(TimeOut, ANegativeValueIsARangeErrorBeforeAnythingWaits) {
    LoopbackPeer peer([](SOCKET s) { sockettest::ReceiveAll(s); });
    Probe client;
    client.TimeOut = -1;
    EXPECT_EQ(ErrorOf([&] { sockettest::ConnectTo(client, peer); }), "Range check error");
    EXPECT_FALSE(client.Connected());
    client.TimeOut = 0;
    client.Connect();
    client.TimeOut = -1;
    std::string line;
    EXPECT_EQ(ErrorOf([&] { client.ReadLn(line); }), "Range check error");
    EXPECT_EQ(ErrorOf([&] { client.Write("x"); }), "Range check error");
}

// A listener whose backlog is full answers no more connection requests: the connect waits
// until the time-out ends it.
TEST(TimeOut, AConnectionNeverAnsweredTimesOut) {
    loopback::FullListener listener;
    ASSERT_TRUE(listener.Listening());
    Probe client;
    int failures = 0;
    client.OnConnectionFailed = [&](void*) { ++failures; };
    client.Host = "127.0.0.1";
    client.Port = listener.Port();
    client.TimeOut = 500;
    const DWORD start = GetTickCount();
    EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Connection Timed out");
    EXPECT_GE(GetTickCount() - start, 450u);
    EXPECT_EQ(failures, 1);
}

// A lookup cancelled in flight is abandoned with its buffer; its late completion must neither
// end the next lookup's wait nor write into the next lookup's buffer.
TEST(HostLookup, CancelEndsTheWaitAndTheAbandonedLookupLeavesTheNextOneWhole) {
    LoopbackPeer peer([](SOCKET s) { sockettest::SendText(s, "ok\n"); });
    Probe client;
    client.ReportLevel = 8;
    bool cancelNext = true;
    client.OnStatus = [&](void*, const std::string& status) {
        if (status == "Resolve Host" && cancelNext) client.Cancel();
    };
    client.Host = "localhost";
    client.Port = peer.Port();
    client.TimeOut = 10000;
    EXPECT_EQ(ErrorOf([&] { client.Connect(); }), "Host Lookup Canceled");
    EXPECT_FALSE(client.TimeoutTimer->Running());
    cancelNext = false;
    client.Connect();
    EXPECT_EQ(client.RemoteAddress.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "ok\n");
}
