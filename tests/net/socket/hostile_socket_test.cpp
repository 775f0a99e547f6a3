// The socket component under the engine when the connection ends with a reset. Windows reports
// it in the close notice (FD_CLOSE with WSAECONNRESET); the component then closes the socket and
// the reader finds it closed, which must be an error, never a cut body or line that looks whole.
// Wine reports a reset as a graceful close (error 0, recv gives 0), so the tests hand the
// component the notice Windows posts, on a connection whose peer has closed.
#include <gtest/gtest.h>

#include <vector>

#include "net/socket/NotifyWindows.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocketComponent.h"
#include "LoopbackPeer.h"
#include "tests/net/http/CaseServer.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"

using httptest::TCaseServer;

namespace {

class Client : public net::ROzaverazo {
public:
    void ResetNotice() {
        HandleNotification(net::SocketEventMessage, static_cast<WPARAM>(SocketHandle),
                           WSAMAKESELECTREPLY(FD_CLOSE, WSAECONNRESET));
    }
};

class ResetTest : public ::testing::Test {
protected:
    // Connects, sends a request and waits until the peer has answered and closed.
    void Exchange() {
        const int before = server.Connections();
        client.Host = "127.0.0.1";
        client.Port = server.Port();
        client.Connect();
        client.Writeln("GET / HTTP/1.0\r\n");
        for (int i = 0; i < 200 && (server.Connections() == before || server.Requests().size() <= size_t(before)); ++i)
            Sleep(10);
        Sleep(50);
    }
    // Answers "/" with these bytes, after a pause of `ms` when asked.
    void Answer(const std::string& bytes, int ms = 0) {
        server.On("/", {httptest::Actions({{THttpAction::Send, bytes, 0}, {THttpAction::Delay, "", ms}})});
    }

    TCaseServer server;
    Client client;
    const testsupport::TemporaryFile bodyFile{"quorvane-hostile-reset"};
    const std::string& path = bodyFile.Path();
};

TEST_F(ResetTest, AResetNoticeWithDataPendingIsAnErrorAndTheNextGracefulCloseIsNot) {
    Answer(std::string(1000, 'b'));
    Exchange();
    client.ResetNotice();
    // Reported through OnSocketError before it is raised, like every other socket error.
    std::vector<std::string> reported;
    client.OnSocketError = [&](void*, std::uint16_t number, const std::string& text) {
        reported.push_back(std::to_string(number) + " " + text);
    };
    EXPECT_EQ(sockettest::ErrorOf<net::ESockError>([&] { client.CaptureFile(path); }),
              net::SocketErrorText(WSAECONNRESET))
        << "a reset body was taken as whole";
    EXPECT_EQ(reported, std::vector<std::string>{"10054 " + net::SocketErrorText(WSAECONNRESET)});
    EXPECT_EQ(client.BytesReceived, 1000);
    EXPECT_EQ(testsupport::ReadWholeFile(path), std::string(1000, 'b')) << "what came before the error is kept";
    client.Disconnect();

    // The next connection starts clean: a graceful close after its body is no error.
    Answer(std::string(100000, 'c'), 50);
    Exchange();
    EXPECT_NO_THROW(client.CaptureFile(path));
    EXPECT_EQ(client.BytesReceived, 100000);
}

TEST_F(ResetTest, AResetNoticeAfterTheLastByteWasReadEndsTheCaptureWithTheResetError) {
    Answer("HTTP/1.0 200 OK\r\n");
    Exchange();
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "HTTP/1.0 200 OK\r\n");
    client.ResetNotice();  // nothing pending: the notice closes the socket at once
    EXPECT_THROW(client.CaptureString(line, -1), net::ESockError);
}

TEST_F(ResetTest, AResetNoticeInTheMiddleOfALineIsAnError) {
    Answer("HTTP/1.0 200 O");
    Exchange();
    client.ResetNotice();
    std::string line;
    EXPECT_THROW(client.ReadLn(line), net::ESockError);
}

}  // namespace
