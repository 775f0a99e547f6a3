// Sending and receiving over a loopback connection: lines, captures, files, cancel and time-out.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "LoopbackPeer.h"

using net::EAbortError;
using net::ESockError;
using sockettest::LoopbackPeer;
using sockettest::Probe;

namespace {

void ConnectTo(Probe& client, const LoopbackPeer& peer) {
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.Connect();
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 31 + i / 977) & 0xFF);
    return data;
}

}  // namespace

TEST(ReadLn, ReturnsOneLineAndLeavesTheRest) {
    LoopbackPeer peer([](SOCKET s) { sockettest::SendText(s, "abc\r\ndef"); });
    Probe client;
    ConnectTo(client, peer);
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "abc\r\n");
    std::string rest;
    client.CaptureString(rest, -1);
    EXPECT_EQ(rest, "def");
}

TEST(ReadLn, AssemblesALineAcrossChunks) {
    LoopbackPeer peer([](SOCKET s) {
        for (const char* part : {"hel", "lo wo", "rld", "\nnext\n"}) {
            sockettest::SendText(s, part);
            Sleep(40);
        }
    });
    Probe client;
    ConnectTo(client, peer);
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "hello world\n");
    client.ReadLn(line);
    EXPECT_EQ(line, "next\n");
    client.ReadLn(line);
    EXPECT_EQ(line, "") << "the peer closed";
}

TEST(ReadLn, PeerClosingMidLineGivesAnEmptyLine) {
    LoopbackPeer peer([](SOCKET s) {
        sockettest::SendText(s, "abc");
        Sleep(50);
    });
    Probe client;
    ConnectTo(client, peer);
    std::string line = "old";
    EXPECT_NO_THROW(client.ReadLn(line));
    EXPECT_EQ(line, "");
}

TEST(ReadLn, TimesOutOnASilentPeerAndStartsAfreshAfterwards) {
    LoopbackPeer peer([](SOCKET s) {
        Sleep(2000);
        sockettest::SendText(s, "late\n");
    });
    Probe client;
    ConnectTo(client, peer);
    client.TimeOut = 500;
    std::string line;
    const DWORD start = GetTickCount();
    try {
        client.ReadLn(line);
        FAIL() << "a silent peer must time out";
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket readln aborted");
    }
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 450u);
    EXPECT_LT(elapsed, 1800u);
    EXPECT_FALSE(client.TimeoutTimer->Running());
    client.TimeOut = 0;
    client.ReadLn(line);
    EXPECT_EQ(line, "late\n");
}

TEST(ReadLn, RefusesALineOverTheLimitButTakesOneAtIt) {
    const std::string atLimit = std::string(65535, 'a') + "\n";
    LoopbackPeer peer([&](SOCKET s) {
        sockettest::SendText(s, atLimit);
        sockettest::SendText(s, std::string(70000, 'b') + "\n");
    });
    Probe client;
    ConnectTo(client, peer);
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, atLimit);
    try {
        client.ReadLn(line);
        FAIL() << "a line over 65536 bytes must be refused";
    } catch (const ESockError& error) {
        EXPECT_STREQ(error.what(), "Line too long");
    }
    EXPECT_FALSE(client.TimeoutTimer->Running());
}

TEST(Write, StopsAtNulAndWritelnAddsCrLf) {
    const std::string expected = "abcA\r\n" + std::string(65535, 'z');
    std::string received;
    Probe client;  // outlives the peer: closing resets the connection and drops unread data
    {
        LoopbackPeer peer([&](SOCKET s) { received = sockettest::ReceiveBytes(s, expected.size()); });
        ConnectTo(client, peer);
        client.Write(std::string("abc\0def", 7));
        client.Writeln("A");
        client.Write(std::string(65535, 'z'));
        EXPECT_THROW(client.Write(std::string(65536, 'z')), net::ERangeError);
    }
    EXPECT_EQ(received, expected);
}

TEST(Write, APeerThatStopsReadingCanBeTimedOut) {
    LoopbackPeer peer([](SOCKET) { Sleep(1500); });  // never reads
    Probe client;
    ConnectTo(client, peer);
    client.TimeOut = 300;
    const std::string block(65535, 'w');
    const DWORD start = GetTickCount();
    try {
        for (int i = 0; i < 2000; ++i) client.Write(block);
        FAIL() << "the send buffer never filled";
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket send aborted");
    }
    EXPECT_LT(GetTickCount() - start, 1200u);
    EXPECT_FALSE(client.Canceled);
}

TEST(Transaction, ReadsTheReplyCode) {
    std::string commands;
    LoopbackPeer peer([&](SOCKET s) {
        commands += sockettest::ReceiveLine(s);
        sockettest::SendText(s, "250 OK done\r\n");
        commands += sockettest::ReceiveLine(s);
        sockettest::SendText(s, "Hello 250\r\n");
        commands += sockettest::ReceiveLine(s);
        sockettest::SendText(s, "99999 far too big\r\n");
        sockettest::ReceiveAll(s);
    });
    Probe client;
    ConnectTo(client, peer);
    EXPECT_EQ(client.Transaction("HELO"), "250 OK done\r\n");
    EXPECT_EQ(client.ReplyCode, 250);
    EXPECT_EQ(client.LastReply(), "250 OK done\r\n");
    EXPECT_EQ(client.Transaction("NOOP"), "Hello 250\r\n");
    EXPECT_EQ(client.ReplyCode, 0);
    EXPECT_THROW(client.Transaction("BIG"), net::ERangeError);
    client.Disconnect();
    EXPECT_EQ(commands, "HELO\r\nNOOP\r\nBIG\r\n");
}

TEST(CaptureString, MaximumIsTestedBeforeEachReceive) {
    LoopbackPeer peer([](SOCKET s) {
        sockettest::SendText(s, std::string(100, 'q'));
        sockettest::ReceiveAll(s);  // stays open until the client goes
    });
    Probe client;
    ConnectTo(client, peer);
    int packets = 0;
    client.OnPacketRecvd = [&](void*) { ++packets; };
    std::string text;
    client.CaptureString(text, 10);
    EXPECT_EQ(text, std::string(100, 'q'));
    EXPECT_EQ(client.BytesReceived, 100);
    EXPECT_EQ(packets, 1);
}

TEST(CaptureFile, WritesTheWholeBodyAndCountsIt) {
    const std::string body = Pattern(700 * 1024 + 13);
    LoopbackPeer peer([&](SOCKET s) { sockettest::SendText(s, body); });
    Probe client;
    ConnectTo(client, peer);
    std::int64_t lastSeen = 0;
    bool increasing = true;
    client.OnPacketRecvd = [&](void*) {
        increasing = increasing && client.BytesReceived > lastSeen;
        lastSeen = client.BytesReceived;
    };
    const std::string path = TempFile("quorvane-capture.bin");
    client.CaptureFile(path);
    EXPECT_EQ(client.BytesReceived, static_cast<std::int64_t>(body.size()));
    EXPECT_TRUE(increasing);
    EXPECT_TRUE(FileText(path) == body);
    DeleteFileA(path.c_str());
}

TEST(CaptureFile, CancelFromATimerEndsTheCaptureAndClosesTheFile) {
    LoopbackPeer peer([](SOCKET s) {
        sockettest::SendText(s, std::string(1000, 'k'));
        sockettest::ReceiveAll(s);  // then silence until the client goes
    });
    Probe client;
    ConnectTo(client, peer);
    net::TThreadTimer canceller;
    canceller.SetInterval(300);
    canceller.SetOnTimer([&](void*) {
        canceller.SetEnabled(false);
        client.Cancel();
    });
    const std::string path = TempFile("quorvane-cancel.bin");
    try {
        client.CaptureFile(path);
        FAIL() << "the cancel must end the capture";
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket send aborted");
    }
    EXPECT_FALSE(client.Canceled);
    EXPECT_EQ(client.BytesReceived, 1000);
    EXPECT_EQ(FileText(path), std::string(1000, 'k')) << "what came before the cancel is kept";
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "the file must be closed";
}

// The capture writes in blocks and drops read notices while data flows: a body that comes in
// bursts over several blocks must still land whole and in order, the connection must not be
// announced twice by the re-registrations, and the next capture starts on an empty file.
TEST(CaptureFile, BodyInBurstsAcrossBlocksLandsWholeAndConnectsOnce) {
    const std::string body = Pattern(5 * 300 * 1024 + 7);
    LoopbackPeer peer([&](SOCKET s) {
        for (std::size_t at = 0; at < body.size(); at += 300 * 1024) {
            sockettest::SendText(s, body.substr(at, 300 * 1024));
            Sleep(40);
        }
    });
    Probe client;
    int connects = 0;
    client.OnConnect = [&](void*) { ++connects; };
    ConnectTo(client, peer);
    const std::string path = TempFile("quorvane-bursts.bin");
    std::ofstream(path, std::ios::binary) << std::string(3 << 20, 'o');  // longer than the body
    client.CaptureFile(path);
    sockettest::PumpFor(100);  // late notices, if any, arrive now
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(client.BytesReceived, static_cast<std::int64_t>(body.size()));
    EXPECT_TRUE(FileText(path) == body);
    DeleteFileA(path.c_str());
}

TEST(CaptureString, ReadNoticesComeBackWhenTheCaptureEnds) {
    LoopbackPeer peer([](SOCKET s) {
        sockettest::SendText(s, std::string(100, 'q'));
        sockettest::ReceiveBytes(s, 1);
        sockettest::SendText(s, "more");
        sockettest::ReceiveAll(s);
    });
    Probe client;
    ConnectTo(client, peer);
    std::string text;
    client.CaptureString(text, 10);
    ASSERT_EQ(text.size(), 100u);
    int arrivals = 0;
    client.OnDataArrival = [&](void*) { ++arrivals; };
    client.Write("g");
    for (int i = 0; i < 200 && arrivals == 0; ++i) sockettest::PumpFor(10);
    EXPECT_GT(arrivals, 0) << "a caller waiting for data is told again";
}

TEST(CaptureFile, FileThatCannotBeCreatedLeavesTheComponentUsable) {
    LoopbackPeer peer([](SOCKET s) { sockettest::SendText(s, "body"); });
    Probe client;
    ConnectTo(client, peer);
    client.TimeOut = 5000;
    EXPECT_THROW(client.CaptureFile(TempFile("no-such-dir\\x\\y.bin")), std::runtime_error);
    EXPECT_FALSE(client.TimeoutTimer->Running());
    std::string text;
    client.CaptureString(text, -1);
    EXPECT_EQ(text, "body") << "nothing was lost";
}

TEST(SendFile, SendsTheWholeFileAndCountsIt) {
    const std::string content = Pattern(300 * 1024 + 7);
    const std::string path = TempFile("quorvane-send.bin");
    std::ofstream(path, std::ios::binary) << content;
    std::string received;
    Probe client;  // outlives the peer: closing resets the connection and drops unread data
    {
        LoopbackPeer peer([&](SOCKET s) { received = sockettest::ReceiveBytes(s, content.size()); });
        ConnectTo(client, peer);
        int packets = 0;
        client.OnPacketSent = [&](void*) { ++packets; };
        client.SendFile(path);
        EXPECT_EQ(client.BytesSent, static_cast<std::int64_t>(content.size()));
        EXPECT_GE(packets, 1);
        EXPECT_THROW(client.SendFile(TempFile("quorvane-missing.bin")), std::runtime_error);
    }
    EXPECT_TRUE(received == content);
    DeleteFileA(path.c_str());
}

TEST(DataAvailable, PeeksWithoutTaking) {
    LoopbackPeer peer([](SOCKET s) {
        sockettest::SendText(s, "z\n");
        sockettest::ReceiveAll(s);
    });
    Probe client;
    ConnectTo(client, peer);
    const DWORD start = GetTickCount();
    while (!client.DataAvailable() && GetTickCount() - start < 3000) sockettest::PumpFor(5);
    EXPECT_TRUE(client.DataAvailable());
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "z\n");
    EXPECT_FALSE(client.DataAvailable());
}

// The peer half-closes while an upload is still going out: the close notice arrives in the
// upload's pumps and must not close the socket under it (the rest would go to a fresh,
// unconnected socket) nor touch the chunk it is sending. Every byte arrives, in order.
TEST(SendFile, APeersCloseNoticeDuringTheUploadWaitsForItsEnd) {
    const std::string content = Pattern(8 << 20);
    const std::string path = TempFile("quorvane-send-close.bin");
    std::ofstream(path, std::ios::binary) << content;
    std::string received;
    Probe client;  // outlives the peer: closing resets the connection and drops unread data
    {
        LoopbackPeer peer([&](SOCKET s) {
            Sleep(100);
            shutdown(s, SD_SEND);
            Sleep(400);
            received = sockettest::ReceiveBytes(s, content.size());
        });
        ConnectTo(client, peer);
        int disconnects = 0;
        client.OnDisconnect = [&](void*) { ++disconnects; };
        EXPECT_NO_THROW(client.SendFile(path));
        EXPECT_EQ(client.BytesSent, static_cast<std::int64_t>(content.size()));
        EXPECT_EQ(disconnects, 0) << "closed during the upload";
    }
    EXPECT_TRUE(received == content) << received.size() << " bytes arrived";
    DeleteFileA(path.c_str());
}

Probe* g_cancelTarget = nullptr;

// A peer that stops reading blocks the upload; the cancel comes from a timer, as the wizard's
// Cancel button would, inside the upload's pumps.
TEST(SendFile, CancelDuringTheUploadEndsItWithItsText) {
    const std::string path = TempFile("quorvane-send-cancel.bin");
    std::ofstream(path, std::ios::binary) << Pattern(32 << 20);
    LoopbackPeer peer([](SOCKET) { Sleep(3000); });  // never reads
    Probe client;
    ConnectTo(client, peer);
    g_cancelTarget = &client;
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (g_cancelTarget) g_cancelTarget->Cancel();
    });
    const DWORD start = GetTickCount();
    try {
        client.SendFile(path);
        ADD_FAILURE() << "the upload was not cancelled";
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket send aborted");
    }
    g_cancelTarget = nullptr;
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_LT(client.BytesSent, 32 << 20);
    EXPECT_FALSE(client.Canceled);
    EXPECT_FALSE(client.TimeoutTimer->Running());
    DeleteFileA(path.c_str());
}
