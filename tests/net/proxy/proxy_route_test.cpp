// The user's proxy under Wine, with real servers that run-proxy-tests.sh starts: squid on
// loopback (one port open, one asking for Basic credentials) whose own hosts file alone knows
// quorvane-proxied.invalid, nginx behind it (plain, and over TLS with a certificate for that
// name from an authority the prefix trusts), and a port where nothing listens. The settings are
// written into this prefix's registry in both of Windows' forms, as the download sequence finds
// them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "net/http/HttpClient.h"
#include "net/proxy/SystemProxy.h"
#include "tests/net/proxy/UserProxySettings.h"
#include "tests/support/FullListener.h"
#include "tests/support/TestApplication.h"

namespace {

using testsupport::UserProxySettings;

// Resolved by squid's hosts file only: a request that reaches the file went through the proxy.
constexpr char kProxiedHost[] = "quorvane-proxied.invalid";
constexpr char kServed[] = "served through the proxy\n";

int Port(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? std::atoi(value) : 0;
}
const int kSquid = Port("QUORVANE_SQUID_PORT");
const int kSquidAuth = Port("QUORVANE_SQUID_AUTH_PORT");
const int kOrigin = Port("QUORVANE_ORIGIN_PORT");
const int kDown = Port("QUORVANE_DOWN_PORT");
const int kTlsOrigin = Port("QUORVANE_TLS_ORIGIN_PORT");

std::wstring Loopback(int port) { return L"127.0.0.1:" + std::to_wstring(port); }
// An automatic configuration script that sends the download host to squid, while the static
// proxy is down: only the script's answer can reach the file.
UserProxySettings AutoConfiguration() {
    return {Loopback(kDown), L"", L"http://127.0.0.1:" + std::to_wstring(kOrigin) + L"/download/lite/proxy.pac"};
}
std::string Url(const std::string& host, int port, const std::string& scheme = "http") {
    return scheme + "://" + host + ":" + std::to_string(port) + "/download/lite/hello.txt";
}

class ProxyRoute : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::StartApplication(); }
    void SetUp() override {
        ASSERT_TRUE(kSquid && kSquidAuth && kOrigin && kDown && kTlsOrigin) << "run by run-proxy-tests.sh";
    }
    void TearDown() override { EXPECT_TRUE(testsupport::ClearUserProxySettings()); }

    // One download as the download sequence makes it: the route from the user's settings.
    struct Outcome {
        int code = 0;
        std::string body, error;
        bool invalidHost = false;
    };
    static Outcome Fetch(const UserProxySettings& settings, const std::string& url, const std::string& user = {},
                         const std::string& password = {}, int timeOut = 20000) {
        EXPECT_TRUE(testsupport::WriteUserProxySettings(settings));
        net::THttpClient client;
        client.TimeOut = timeOut;
        client.ChooseProxy = SystemProxyChooser();
        client.HeaderInfo->ProxyUserId = user;
        client.HeaderInfo->ProxyPassword = password;
        Outcome outcome;
        client.OnInvalidHost = [&outcome](bool&) { outcome.invalidHost = true; };
        try {
            client.Get(url);
            outcome.body = client.Body;
        } catch (const std::exception& error) {
            outcome.error = error.what();
        }
        outcome.code = client.ReplyCode;
        return outcome;
    }
};

TEST_F(ProxyRoute, TheSettingsWrittenAsWindowsKeepsThemChooseTheRoute) {
    struct Row {
        UserProxySettings settings;
        std::string url, host, proxy;
        int port;
    };
    const UserProxySettings corporate{Loopback(kSquid), L"<local>;*.bypassed.invalid", L""};
    const UserProxySettings perScheme{L"http=127.0.0.1:1111;https=127.0.0.1:2222", L"", L""};
    const Row rows[] = {
        {corporate, Url(kProxiedHost, 80), kProxiedHost, "127.0.0.1", kSquid},
        {corporate, "http://intranet/x", "intranet", "", 0},
        {corporate, "http://files.bypassed.invalid/x", "files.bypassed.invalid", "", 0},
        {corporate, "http://localhost:8080/x", "localhost", "", 0},
        {perScheme, "http://download.quorvane.invalid/x", "download.quorvane.invalid", "127.0.0.1", 1111},
        {perScheme, "https://download.quorvane.invalid/x", "download.quorvane.invalid", "127.0.0.1", 2222},
        {{}, Url(kProxiedHost, 80), kProxiedHost, "", 0},
        // The script sends any other host direct, whatever the static proxy.
        {AutoConfiguration(), "http://elsewhere.invalid/x", "elsewhere.invalid", "", 0},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(testsupport::WriteUserProxySettings(row.settings));
        const TProxyRoute route = SystemProxyFor(row.url, row.host);
        EXPECT_EQ(route.Host, row.proxy) << row.url;
        EXPECT_EQ(route.Port, row.port) << row.url;
    }
}

// Downloads as the download sequence makes them, each through the route the settings choose: a
// host that only squid resolves can be reached only through it, and a down or silent proxy has
// its own error; a silent one is given up after the client's time-out. The download host is never
// looked up here.
TEST_F(ProxyRoute, DownloadsThroughTheChosenRouteOrNamesTheProxysFault) {
    struct Row {
        const char* what;
        UserProxySettings settings;
        std::string url, user, password, error;
        int code;
        int timeOut = 20000;
    };
    loopback::FullListener silent;
    ASSERT_TRUE(silent.Listening());
    const std::string unanswered =
        "Proxy 127.0.0.1:" + std::to_string(silent.Port()) + " did not answer (connection timed out)";
    const std::string down = "Proxy 127.0.0.1:" + std::to_string(kDown) + " refused the connection or is unreachable";
    const std::string auth = "Proxy 127.0.0.1:" + std::to_string(kSquidAuth);
    const std::string plain = Url(kProxiedHost, kOrigin), tls = Url(kProxiedHost, kTlsOrigin, "https");
    const UserProxySettings squid{Loopback(kSquid), L"<local>", L""}, squidAuth{Loopback(kSquidAuth), L"<local>", L""};
    const UserProxySettings asking{Loopback(kSquidAuth), L"", L""}, mute{Loopback(silent.Port()), L"", L""};
    // The proxy named is down: only a host the bypass list names can be reached.
    const UserProxySettings bypassing{Loopback(kDown), L"<-loopback>;127.0.0.1", L""};
    const Row rows[] = {
        {"through squid", squid, plain, "", "", "", 200},
        {"https in squid's tunnel", squid, tls, "", "", "", 200},
        {"https in the tunnel of a proxy asking for credentials", squidAuth, tls, "quorvane", "proxy secret", "", 200},
        {"the route a configuration script chooses", AutoConfiguration(), plain, "", "", "", 200},
        {"a bypassed host", bypassing, Url("127.0.0.1", kOrigin), "", "", "", 200},
        {"a proxy that is down", bypassing, Url("localhost", kOrigin), "", "", down, 0},
        {"no credentials", asking, plain, "", "", auth + " asks for a user name and password (407), and none was given",
         407},
        {"wrong credentials", asking, plain, "quorvane", "wrong",
         auth + " refused the user name and password given (407)", 407},
        {"the right credentials", asking, plain, "quorvane", "proxy secret", "", 200},
        {"a proxy that never answers", mute, Url(kProxiedHost, kTlsOrigin), "", "", unanswered, 0, 500},
        // The tunnel an https download asks for waits on the same connection first.
        {"a proxy that never answers the tunnel", mute, tls, "", "", unanswered, 0, 500},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Outcome got = Fetch(row.settings, row.url, row.user, row.password, row.timeOut);
        EXPECT_EQ(got.error, row.error);
        EXPECT_EQ(got.code, row.code);
        EXPECT_EQ(got.body, row.error.empty() ? kServed : "");
        EXPECT_FALSE(got.invalidHost);
    }
    // Here the name looked up is the proxy's own.
    EXPECT_EQ(Fetch({L"no-such-proxy.invalid:3128", L"", L""}, plain).error,
              "Proxy no-such-proxy.invalid:3128 not found: its name could not be resolved");
}

// The tunnel an https download takes: once it is open, the bytes sent are the server's. Plain
// HTTP inside it shows that they arrive unchanged, up to where TLS would start.
TEST_F(ProxyRoute, TheTunnelCarriesBytesToTheServerAndReportsARefusal) {
    struct Row {
        int proxyPort, serverPort;
        std::string user, error;
    };
    const std::string tunnel = " refused the tunnel to " + std::string(kProxiedHost) + ":";
    const Row rows[] = {
        {kSquid, kOrigin, "", ""},
        {kSquidAuth, kOrigin, "quorvane", ""},
        {kSquidAuth, kOrigin, "",
         "Proxy 127.0.0.1:" + std::to_string(kSquidAuth) +
             " asks for a user name and password (407), and none was given"},
        {kSquid, kDown, "",
         "Proxy 127.0.0.1:" + std::to_string(kSquid) + tunnel + std::to_string(kDown) + " (HTTP status 503)"},
    };
    for (const Row& row : rows) {
        net::THttpClient client;
        client.TimeOut = 20000;
        client.Host = kProxiedHost;
        client.Port = row.serverPort;
        client.Proxy = "127.0.0.1";
        client.ProxyPort = row.proxyPort;
        client.HeaderInfo->ProxyUserId = row.user;
        client.HeaderInfo->ProxyPassword = "proxy secret";
        std::string error, status, body;
        try {
            client.OpenTunnel();
            client.Write("GET /download/lite/hello.txt HTTP/1.0\r\nHost: " + std::string(kProxiedHost) + "\r\n\r\n");
            client.ReadLn(status);
            client.CaptureString(body, -1);
        } catch (const std::exception& e) {
            error = e.what();
        }
        client.Disconnect();
        EXPECT_EQ(error, row.error) << row.proxyPort << " to " << row.serverPort;
        if (row.error.empty()) {
            EXPECT_EQ(status.substr(0, 12), "HTTP/1.1 200");
            EXPECT_TRUE(body.ends_with(kServed)) << body;
        }
    }
}

}  // namespace
