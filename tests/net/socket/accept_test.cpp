// Accept against a real client: curl, started from the Linux side, fetches a page that the
// component serves over the connection it accepted.
#include <gtest/gtest.h>

#include "LoopbackPeer.h"
#include "tests/support/Loopback.h"
#include "tests/support/WholeFile.h"

using sockettest::Probe;

TEST(Accept, ServesARealClientOverTheAcceptedConnection) {
    Probe server;
    int port = 0;  // the component's own socket listens, on a port the system picks
    ASSERT_TRUE(loopback::BindAndListen(server.SocketHandle, port, 1));
    const std::string output = "/tmp/quorvane-accept-" + std::to_string(GetCurrentProcessId()) + ".txt";
    DeleteFileA(("Z:" + output).c_str());
    // Wine runs a Unix program given by its path on drive Z:.
    std::string command =
        "Z:\\usr\\bin\\curl -s -m 20 -o " + output + " http://127.0.0.1:" + std::to_string(port) + "/accept-test";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << "cannot start curl: " << GetLastError();
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);

    server.TimeOut = 20000;
    const SOCKET accepted = server.Accept();
    EXPECT_EQ(accepted, server.SocketHandle);
    EXPECT_TRUE(server.Connected());
    EXPECT_EQ(server.RemoteAddress.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    std::string line, request;
    do {
        server.ReadLn(line);
        request += line;
    } while (line != "\r\n" && !line.empty());
    EXPECT_EQ(request.rfind("GET /accept-test HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: curl/"), std::string::npos) << request;
    server.Write("HTTP/1.0 200 OK\r\nContent-Length: 8\r\n\r\naccepted");
    // curl closes once it has the body: the close notice of the accepted socket reaches us.
    EXPECT_TRUE(sockettest::PumpUntil([&] { return !server.Connected(); }, 10000));
    EXPECT_TRUE(sockettest::PumpUntil([&] { return testsupport::ReadWholeFile("Z:" + output) == "accepted"; }, 10000))
        << testsupport::ReadWholeFile("Z:" + output);
    DeleteFileA(("Z:" + output).c_str());
}

TEST(Accept, CancelEndsTheWaitWithItsText) {
    Probe server;
    int port = 0;
    ASSERT_TRUE(loopback::BindAndListen(server.SocketHandle, port, 1));
    server.ReportLevel = 4;
    server.OnStatus = [&](void*, const std::string& status) {
        if (status == "Accepting") server.Cancel();
    };
    EXPECT_EQ(sockettest::ErrorOf<net::ESockError>([&] { server.Accept(); }), "Accepting Canceled");
    EXPECT_FALSE(server.Canceled);
}
