// Sending and receiving over a loopback connection: lines, captures, files, cancel and time-out.
#include <gtest/gtest.h>

#include <vector>

#include "LoopbackPeer.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"

using net::EAbortError;
using net::ESockError;
using sockettest::ErrorOf;
using sockettest::SocketTest;

namespace {

std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 31 + i / 977) & 0xFF);
    return data;
}

// The peer sends `parts` 40 ms apart, then closes: each ReadLn gives the next of `lines`, and a
// capture then takes what no line took.
struct LineRow {
    const char* name;
    std::vector<std::string> parts, lines;
    std::string rest;
};
void PrintTo(const LineRow& row, std::ostream* out) { *out << row.name; }

class ReadLn : public SocketTest, public ::testing::WithParamInterface<LineRow> {};

TEST_P(ReadLn, GivesWholeLinesAndLeavesTheRest) {
    Serve([parts = GetParam().parts](SOCKET s) {
        for (const std::string& part : parts) {
            sockettest::SendText(s, part);
            Sleep(40);
        }
    });
    for (const std::string& expected : GetParam().lines) {
        std::string line = "old";
        EXPECT_NO_THROW(client.ReadLn(line));
        EXPECT_EQ(line, expected);
    }
    std::string rest;
    client.CaptureString(rest, -1);
    EXPECT_EQ(rest, GetParam().rest);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadLn,
    ::testing::Values(LineRow{"OneLineThenTheRest", {"abc\r\ndef"}, {"abc\r\n"}, "def"},
                      LineRow{"AcrossChunks", {"hel", "lo wo", "rld", "\nnext\n"}, {"hello world\n", "next\n", ""}, ""},
                      // the peer closing mid-line gives an empty line
                      LineRow{"PeerClosingMidLine", {"abc"}, {""}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

class Transfer : public SocketTest {};

TEST_F(Transfer, ReadLnRefusesALineOverTheLimitButTakesOneAtIt) {
    const std::string atLimit = std::string(65535, 'a') + "\n";
    Serve([atLimit](SOCKET s) {
        sockettest::SendText(s, atLimit);
        sockettest::SendText(s, std::string(70000, 'b') + "\n");
    });
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, atLimit);
    EXPECT_EQ(ErrorOf<ESockError>([&] { client.ReadLn(line); }), "Line too long");
    EXPECT_FALSE(client.TimeoutTimer->Running());
}

TEST_F(Transfer, WriteStopsAtNulAndWritelnAddsCrLf) {
    const std::string expected = "abcA\r\n" + std::string(65535, 'z');
    std::string received;
    Serve([&](SOCKET s) { received = sockettest::ReceiveBytes(s, expected.size()); });
    client.Write(std::string("abc\0def", 7));
    client.Writeln("A");
    client.Write(std::string(65535, 'z'));
    EXPECT_THROW(client.Write(std::string(65536, 'z')), net::ERangeError);
    peer.reset();
    EXPECT_EQ(received, expected);
}

TEST_F(Transfer, WriteToAPeerThatStopsReadingCanBeTimedOut) {
    Serve([](SOCKET) { Sleep(1500); });  // never reads
    client.TimeOut = 300;
    const std::string block(65535, 'w');
    const DWORD start = GetTickCount();
    EXPECT_EQ(ErrorOf<EAbortError>([&] {
                  for (int i = 0; i < 2000; ++i) client.Write(block);
              }),
              "Socket send aborted")
        << "the send buffer never filled";
    EXPECT_LT(GetTickCount() - start, 1200u);
    EXPECT_FALSE(client.Canceled);
}

TEST_F(Transfer, TransactionReadsTheReplyCode) {
    std::string commands;
    Serve([&](SOCKET s) {
        for (const char* reply : {"250 OK done\r\n", "Hello 250\r\n", "99999 far too big\r\n"}) {
            commands += sockettest::ReceiveLine(s);
            sockettest::SendText(s, reply);
        }
        sockettest::ReceiveAll(s);
    });
    EXPECT_EQ(client.Transaction("HELO"), "250 OK done\r\n");
    EXPECT_EQ(client.ReplyCode, 250);
    EXPECT_EQ(client.LastReply(), "250 OK done\r\n");
    EXPECT_EQ(client.Transaction("NOOP"), "Hello 250\r\n");
    EXPECT_EQ(client.ReplyCode, 0);
    EXPECT_THROW(client.Transaction("BIG"), net::ERangeError);
    client.Disconnect();
    peer.reset();
    EXPECT_EQ(commands, "HELO\r\nNOOP\r\nBIG\r\n");
}

// The maximum is tested before each receive, so one packet brings more than it; once the
// capture ends, a caller waiting for data is told again.
TEST_F(Transfer, CaptureStringTestsItsMaximumBeforeEachReceiveAndGivesReadNoticesBack) {
    Serve([](SOCKET s) {
        sockettest::SendText(s, std::string(100, 'q'));
        sockettest::ReceiveBytes(s, 1);
        sockettest::SendText(s, "more");
        sockettest::ReceiveAll(s);  // stays open until the client goes
    });
    int packets = 0;
    client.OnPacketRecvd = [&](void*) { ++packets; };
    std::string text;
    client.CaptureString(text, 10);
    EXPECT_EQ(text, std::string(100, 'q'));
    EXPECT_EQ(client.BytesReceived, 100);
    EXPECT_EQ(packets, 1);
    int arrivals = 0;
    client.OnDataArrival = [&](void*) { ++arrivals; };
    client.Write("g");
    EXPECT_TRUE(sockettest::PumpUntil([&] { return arrivals > 0; }, 2000));
}

TEST_F(Transfer, CaptureFileCancelledFromATimerEndsAndClosesTheFile) {
    Serve([](SOCKET s) {
        sockettest::SendText(s, std::string(1000, 'k'));
        sockettest::ReceiveAll(s);  // then silence until the client goes
    });
    const sockettest::CancelLater cancel(client, 300);
    const testsupport::TemporaryFile file("quorvane-cancel.bin");
    const std::string& path = file.Path();
    EXPECT_EQ(ErrorOf<EAbortError>([&] { client.CaptureFile(path); }), "Socket send aborted");
    EXPECT_FALSE(client.Canceled);
    EXPECT_EQ(client.BytesReceived, 1000);
    EXPECT_EQ(testsupport::ReadWholeFile(path), std::string(1000, 'k')) << "what came before the cancel is kept";
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "the file must be closed";
}

// The capture writes in blocks and drops read notices while data flows: a body that comes in
// bursts over several blocks must still land whole and in order, counted as it comes, the
// connection must not be announced twice by the re-registrations, and the capture starts on an
// empty file.
TEST_F(Transfer, CaptureFileOfABodyInBurstsLandsWholeCountedAndConnectsOnce) {
    const std::string body = Pattern(5 * 300 * 1024 + 7);
    int connects = 0;
    client.OnConnect = [&](void*) { ++connects; };
    Serve([body](SOCKET s) {
        for (std::size_t at = 0; at < body.size(); at += 300 * 1024) {
            sockettest::SendText(s, body.substr(at, 300 * 1024));
            Sleep(40);
        }
    });
    std::int64_t lastSeen = 0;
    bool increasing = true;
    client.OnPacketRecvd = [&](void*) {
        increasing = increasing && client.BytesReceived > lastSeen;
        lastSeen = client.BytesReceived;
    };
    const testsupport::TemporaryFile file("quorvane-bursts.bin");
    testsupport::WriteWholeFile(file.Path(), std::string(3 << 20, 'o'));  // longer than the body
    client.CaptureFile(file.Path());
    sockettest::PumpFor(100);  // late notices, if any, arrive now
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(client.BytesReceived, static_cast<std::int64_t>(body.size()));
    EXPECT_TRUE(increasing);
    EXPECT_TRUE(testsupport::ReadWholeFile(file.Path()) == body);
}

TEST_F(Transfer, CaptureFileThatCannotBeCreatedLeavesTheComponentUsable) {
    Serve([](SOCKET s) { sockettest::SendText(s, "body"); });
    client.TimeOut = 5000;
    EXPECT_THROW(client.CaptureFile(testsupport::TempPath("no-such-dir\\x\\y.bin")), std::runtime_error);
    EXPECT_FALSE(client.TimeoutTimer->Running());
    std::string text;
    client.CaptureString(text, -1);
    EXPECT_EQ(text, "body") << "nothing was lost";
}

TEST_F(Transfer, DataAvailablePeeksWithoutTaking) {
    Serve([](SOCKET s) {
        sockettest::SendText(s, "z\n");
        sockettest::ReceiveAll(s);
    });
    EXPECT_TRUE(sockettest::PumpUntil([&] { return client.DataAvailable(); }, 3000));
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "z\n");
    EXPECT_FALSE(client.DataAvailable());
}

// The whole file goes out, counted. The peer half-closes while the upload is still going out:
// the close notice arrives in the upload's pumps and must not close the socket under it (the rest
// would go to a fresh, unconnected socket) nor touch the chunk it is sending. Every byte arrives,
// in order.
TEST_F(Transfer, SendFileSendsTheWholeFileThroughAPeersCloseNotice) {
    const std::string content = Pattern(8 << 20);
    const testsupport::TemporaryFile file("quorvane-send-close.bin");
    testsupport::WriteWholeFile(file.Path(), content);
    std::string received;
    Serve([&](SOCKET s) {
        Sleep(100);
        shutdown(s, SD_SEND);
        Sleep(400);
        received = sockettest::ReceiveBytes(s, content.size());
    });
    EXPECT_THROW(client.SendFile(testsupport::TempPath("quorvane-missing.bin")), std::runtime_error);
    int disconnects = 0, packets = 0;
    client.OnDisconnect = [&](void*) { ++disconnects; };
    client.OnPacketSent = [&](void*) { ++packets; };
    EXPECT_NO_THROW(client.SendFile(file.Path()));
    EXPECT_EQ(client.BytesSent, static_cast<std::int64_t>(content.size()));
    EXPECT_GE(packets, 1);
    EXPECT_EQ(disconnects, 0) << "closed during the upload";
    peer.reset();
    EXPECT_TRUE(received == content) << received.size() << " bytes arrived";
}

// A peer that stops reading blocks the upload; the cancel comes from a timer, as the wizard's
// Cancel button would, inside the upload's pumps.
TEST_F(Transfer, CancelDuringAnUploadEndsItWithItsText) {
    const testsupport::TemporaryFile file("quorvane-send-cancel.bin");
    testsupport::WriteWholeFile(file.Path(), Pattern(32 << 20));
    Serve([](SOCKET) { Sleep(3000); });  // never reads
    const sockettest::CancelLater cancel(client, 300);
    const DWORD start = GetTickCount();
    EXPECT_EQ(ErrorOf<EAbortError>([&] { client.SendFile(file.Path()); }), "Socket send aborted");
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_LT(client.BytesSent, 32 << 20);
    EXPECT_FALSE(client.Canceled);
    EXPECT_FALSE(client.TimeoutTimer->Running());
}

}  // namespace
