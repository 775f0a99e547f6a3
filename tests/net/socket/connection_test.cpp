// Host resolution, connection, failures, status reports and the socket library's start-up,
// against loopback peers.
#include <gtest/gtest.h>

#include <vector>

#include "LoopbackPeer.h"
#include "net/socket/NotifyWindows.h"

using net::ESockError;
using net::SockErrorKind;
using sockettest::Probe;

namespace {

class Connection : public sockettest::SocketTest {
protected:
    // The message; the kind and the Winsock code go to `kind` and `code`.
    std::string ConnectError() {
        try {
            client.Connect();
        } catch (const ESockError& error) {
            kind = error.Kind();
            code = error.WinsockCode();
            return error.what();
        }
        return "(no error)";
    }
    SockErrorKind kind{};
    int code = -1;
};

}  // namespace

// The ways of naming the peer: each ends connected to it, once, after as many lookups and
// invalid-host calls as its row says.
TEST(ConnectionRoutes, EachWayOfNamingThePeerReachesIt) {
    struct Route {
        const char* name;
        std::string host, proxy;
        int portAbove;  // added to the peer's port: only its low 16 bits count
        int lookups, invalidHostCalls;
    };
    const Route routes[] = {
        {"a dotted address, without a lookup", "127.0.0.1", "", 0x10000, 0, 0},
        {"a host name, looked up", "localhost", "", 0, 1, 0},
        {"a proxy, in place of host and port", "0.0.0.0", "127.0.0.1", 0, 0, 0},
        {"an invalid host that the handler fixes, for one retry", "no-such-host.invalid", "", 0, 0, 1},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        sockettest::LoopbackPeer peer([](SOCKET s) { sockettest::ReceiveAll(s); });
        Probe client;
        int connects = 0, resolved = 0, invalidHostCalls = 0;
        client.OnConnect = [&](void* sender) {
            EXPECT_EQ(sender, &client);
            ++connects;
        };
        client.OnHostResolved = [&](void*) { ++resolved; };
        client.OnInvalidHost = [&](bool& handled) {
            ++invalidHostCalls;
            client.Host = "127.0.0.1";
            handled = true;
        };
        client.TimeOut = 10000;  // a lookup that never completes fails instead of hanging the run
        client.Host = route.host;
        client.Port = peer.Port() + route.portAbove;
        if (!route.proxy.empty()) {
            client.Port = 1;
            client.Proxy = route.proxy;
            client.ProxyPort = peer.Port();
        }
        client.Connect();
        EXPECT_TRUE(client.Connected());
        EXPECT_EQ(connects, 1);
        EXPECT_EQ(resolved, route.lookups);
        EXPECT_EQ(invalidHostCalls, route.invalidHostCalls);
        EXPECT_EQ(client.RemoteAddress.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
        EXPECT_EQ(ntohs(client.RemoteAddress.sin_port), peer.Port());
        EXPECT_EQ(sockettest::ErrorOf<ESockError>([&] { client.Connect(); }), "Already connected");
        client.Disconnect();
        EXPECT_FALSE(client.Connected());
    }
}

TEST_F(Connection, RefusedPortFailsAfterTheFailureEvent) {
    std::vector<std::string> order;
    client.OnConnectionFailed = [&](void*) { order.push_back("failed event"); };
    client.OnConnect = [&](void*) { order.push_back("connect"); };
    client.Host = "127.0.0.1";
    client.Port = loopback::ClosedPort();
    order.push_back(ConnectError());
    EXPECT_EQ(order, (std::vector<std::string>{"failed event", "Connection Failed"}));
    EXPECT_EQ(kind, SockErrorKind::ConnectFailed);
    EXPECT_EQ(code, WSAECONNREFUSED);
    EXPECT_FALSE(client.Connected());

    // The usual recovery: Disconnect puts a fresh socket in place and a new Connect works.
    peer.emplace([](SOCKET s) { sockettest::ReceiveAll(s); });  // holds the connection open
    client.Disconnect();
    client.Port = peer->Port();
    client.Connect();
    EXPECT_TRUE(client.Connected());
    client.Disconnect();
}

TEST_F(Connection, NullAddressFailsWithOrWithoutAHandler) {
    client.Host = "0.0.0.0";
    client.Port = 80;
    EXPECT_EQ(ConnectError(), "Null Remote Address");
    EXPECT_EQ(kind, SockErrorKind::HostNotFound);
    EXPECT_EQ(code, 0) << "no lookup, no code";

    int calls = 0;
    client.OnInvalidHost = [&](bool& handled) {
        ++calls;
        handled = true;  // but the host stays unusable
    };
    client.Host = "no-such-host.invalid";
    EXPECT_EQ(ConnectError(), "Null Remote Address");
    EXPECT_EQ(calls, 1) << "the handler is asked only once";
    EXPECT_EQ(kind, SockErrorKind::HostNotFound);
    EXPECT_EQ(code, WSAHOST_NOT_FOUND) << "the lookup's answer";

    client.OnInvalidHost = [&](bool&) { ++calls; };  // declines
    EXPECT_EQ(ConnectError(), "Null Remote Address");
    EXPECT_EQ(calls, 2);
}

TEST_F(Connection, CancelDuringTheWaitFailsTheConnectAndTheNextTransfer) {
    std::vector<std::string> order;
    client.OnConnect = [&](void*) { client.Cancel(); };
    client.OnConnectionFailed = [&](void*) { order.push_back("failed event"); };
    peer.emplace([](SOCKET s) { sockettest::SendText(s, "line\n"); });
    client.Host = "127.0.0.1";
    client.Port = peer->Port();
    order.push_back(ConnectError());
    EXPECT_EQ(order, (std::vector<std::string>{"failed event", "Connection Canceled"}));
    EXPECT_TRUE(client.Canceled) << "left set for the next transfer";
    std::string line;
    EXPECT_EQ(sockettest::ErrorOf<net::EAbortError>([&] { client.ReadLn(line); }), "Socket readln aborted")
        << "a transfer after a cancelled connect must abort";
    EXPECT_FALSE(client.Canceled);
    client.ReadLn(line);
    EXPECT_EQ(line, "line\n");
}

TEST(ConnectionLifetime, DisconnectReplacesTheSocketAndReportsOnlyWhileAlive) {
    int disconnects = 0;
    {
        Probe client;
        client.OnDisconnect = [&](void*) { ++disconnects; };
        client.Disconnect();  // never connected: still closes and reports
        EXPECT_EQ(disconnects, 1);
        EXPECT_NE(client.SocketHandle, INVALID_SOCKET);
    }
    EXPECT_EQ(disconnects, 1) << "destruction must not fire OnDisconnect";
}

TEST_F(Connection, StatusReportsAreFilteredByLevel) {
    std::vector<std::string> seen;
    client.OnStatus = [&](void*, const std::string& status) { seen.push_back(status); };
    Serve([](SOCKET s) { sockettest::SendText(s, "x\n"); });
    EXPECT_TRUE(seen.empty()) << "ReportLevel 0 delivers nothing";

    client.ReportLevel = 4;
    client.Write("a");
    std::string line;
    client.ReadLn(line);
    client.Disconnect();
    EXPECT_EQ(seen, (std::vector<std::string>{"Sending Buffer", "Request Close Socket"}));
    EXPECT_EQ(client.LastStatus(), "Request Close Socket");

    seen.clear();
    client.ReportLevel = 8;
    client.OnStatus = [&](void*, const std::string& status) {
        seen.push_back(status);
        throw std::runtime_error("a failing status handler is ignored");
    };
    client.Disconnect();
    EXPECT_EQ(seen, (std::vector<std::string>{"Disconnecting", "Request Close Socket"}));
}

TEST(ConnectionLifetime, ComponentsShareOneLibraryStartUp) {
    ASSERT_EQ(Probe::WinsockUserCount(), 0);
    auto first = std::make_unique<Probe>();
    auto second = std::make_unique<Probe>();
    EXPECT_EQ(Probe::WinsockUserCount(), 2);
    ASSERT_EQ(first->WinsockInfo().size(), 6u);
    EXPECT_EQ(first->WinsockInfo()[0], "Version= 1.1");
    EXPECT_EQ(first->WinsockInfo()[2].rfind("Description= ", 0), 0u);
    EXPECT_EQ(first->WinsockInfo()[5].rfind("Max Udp pack size= ", 0), 0u);
    EXPECT_TRUE(second->WinsockInfo().empty());
    first.reset();
    EXPECT_EQ(Probe::WinsockUserCount(), 1);
    second.reset();
    EXPECT_EQ(Probe::WinsockUserCount(), 0);
}

// Close notices that name no current connection must never close or replace the one there.
TEST_F(Connection, StaleCloseNoticesNeverReachTheCurrentSocket) {
    int disconnects = 0;
    client.OnDisconnect = [&](void*) { ++disconnects; };
    const SOCKET fresh = client.SocketHandle;
    // Queued before Connect, handled inside its wait: it must not replace the connecting socket.
    PostMessageA(client.NotifyWindow, net::SocketEventMessage, fresh, MAKELPARAM(FD_CLOSE, 0));
    client.TimeOut = 5000;
    Serve([](SOCKET s) {
        sockettest::SendText(s, "ok\n");
        sockettest::ReceiveAll(s);
    });
    EXPECT_EQ(client.SocketHandle, fresh);
    EXPECT_EQ(disconnects, 0);
    std::string line;
    client.ReadLn(line);
    EXPECT_EQ(line, "ok\n");

    // A close queued for the old socket, then the old socket goes: the queue must be rid of it.
    const SOCKET old = client.SocketHandle;
    PostMessageA(client.NotifyWindow, net::SocketEventMessage, old, MAKELPARAM(FD_CLOSE, 0));
    client.Disconnect();
    MSG pending;
    EXPECT_FALSE(
        PeekMessageA(&pending, client.NotifyWindow, net::SocketEventMessage, net::SocketEventMessage, PM_NOREMOVE));

    Serve([](SOCKET s) {
        Sleep(100);
        sockettest::SendText(s, "still here\n");
    });
    // A close that names some other socket is ignored, whatever number it carries.
    PostMessageA(client.NotifyWindow, net::SocketEventMessage, client.SocketHandle + 4, MAKELPARAM(FD_CLOSE, 0));
    PostMessageA(client.NotifyWindow, net::SocketEventMessage, old == client.SocketHandle ? old + 8 : old,
                 MAKELPARAM(FD_CLOSE, 0));
    sockettest::PumpFor(50);
    EXPECT_TRUE(client.Connected());
    client.ReadLn(line);
    EXPECT_EQ(line, "still here\n");
}

TEST_F(Connection, PeerCloseWithNothingPendingReplacesTheSocket) {
    int disconnects = 0;
    client.OnDisconnect = [&](void*) { ++disconnects; };
    // The close may be handled in the same pump as the connection: Connect must still end.
    client.TimeOut = 5000;
    Serve([](SOCKET) {});  // closes at once
    EXPECT_TRUE(sockettest::PumpUntil([&] { return !client.Connected(); }, 3000));
    EXPECT_EQ(disconnects, 1);
    std::string rest = "x";
    client.CaptureString(rest, -1);  // the fresh socket is not connected: ends at once
    EXPECT_EQ(rest, "");
}
