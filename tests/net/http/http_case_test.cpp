// Every case file fed to the text functions: the exact request bytes of each pass, what reading
// each reply's header gives, and where the request ends (URL, host, port, reply code, body).
// Events and the socket side of a case are the engine's tests' business.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "net/http/CredentialScope.h"
#include "net/http/HttpErrors.h"
#include "net/http/HttpReplyText.h"
#include "net/http/HttpRequestText.h"
#include "net/proxy/ProxyList.h"
#include "tests/net/http/HttpCase.h"

// GoogleTest names a failing case by its file rather than dumping its bytes.
void PrintTo(const THttpCase& c, std::ostream* os) { *os << c.Name << ".case"; }

namespace {

CmdType KindOf(const std::string& word) {
    static const std::map<std::string, CmdType> kKinds = {
        {"GET", rkGet},       {"OPTIONS", rkOptions}, {"HEAD", rkHead},    {"POST", rkPost},     {"PUT", rkPut},
        {"PATCH", rkPatch},   {"COPY", rkCopy},       {"MOVE", rkMove},    {"DELETE", rkDelete}, {"LINK", rkLink},
        {"UNLINK", rkUnlink}, {"TRACE", rkTrace},     {"NOVERB", rkNoVerb}};
    return kKinds.at(word);
}

// The state one request carries from pass to pass, as the engine keeps it.
struct Client {
    explicit Client(const THttpCase& c) : kind(KindOf(c.ClientValue("kind", "GET"))) {
        target.CurrentURL = c.ClientValue("url");
        target.Host = c.ClientValue("host");
        target.Port = std::stoi(c.ClientValue("port", "0"));
        info = {c.ClientValue("user-agent"),    c.ClientValue("from"),          c.ClientValue("cookie"),
                c.ClientValue("referer"),       c.ClientValue("user-id"),       c.ClientValue("password"),
                c.ClientValue("proxy-user-id"), c.ClientValue("proxy-password")};
        proxy = c.ClientValue("proxy");
        proxyPort = std::stoi(c.ClientValue("proxy-port", "0"));
        extra = c.ClientValue("extra");
        if (kind == rkLink || kind == rkUnlink) sendData = "Send.dat";
        else if (kind == rkPost)
            sendData = PostData(c.ClientValue("data"), c.ClientFlag("encode-post-data", true), false);
        else sendData = c.ClientValue("data");
    }

    std::string RequestBytes() {
        THeaderList header;
        const TRequestInput in{kind,
                               target.RequestPath,
                               target.CurrentURL,
                               target.Host,
                               proxy,
                               proxyScope.ForProxy(proxy, proxyPort, scope.ForPass(Origin(), info)),
                               extra,
                               sendData.size()};
        BuildRequestHeader(in, header);
        return header.Text() + "\r\n" + (SendsData(kind) ? sendData : "");
    }

    std::string Origin() const { return RequestOrigin(target.CurrentURL, target.Host, target.Port); }

    CmdType kind;
    TRequestTarget target;
    THeaderInfo info;
    TCredentialScope scope;
    TProxyCredentialScope proxyScope;
    std::string proxy, extra, sendData;
    int proxyPort = 0;
};

void ExpectAll(const std::vector<std::string>& differences) {
    for (const std::string& difference : differences) ADD_FAILURE() << difference;
}

void ExpectParsed(const THttpPass& pass, const TReplyHeader& reply) {
    ExpectAll(Differences(pass.Parsed, {{"reply-code", std::to_string(reply.ReplyCode)},
                                        {"bytes-expected", std::to_string(reply.BytesExpected)},
                                        {"location", reply.RedirectLocation},
                                        {"cookie", reply.ReceivedCookie}}));
    if (pass.Header) {
        EXPECT_EQ(reply.HeaderText, *pass.Header);
    }
}

// Expectations are optional: a case states what it is about.
void ExpectOutcome(const THttpCase& c, const Client& client, const TReplyHeader& last, const std::string& body,
                   bool dropped) {
    const bool complete = IsCompleteReply(last, static_cast<std::int64_t>(body.size()));
    ExpectAll(Differences(c.Outcome, {{"reply-code", std::to_string(last.ReplyCode)},
                                      {"bytes-expected", std::to_string(last.BytesExpected)},
                                      {"has-content-length", last.HasContentLength ? "yes" : "no"},
                                      {"current-url", client.target.CurrentURL},
                                      {"host", client.target.Host},
                                      {"port", std::to_string(client.target.Port)},
                                      {"request-path", client.target.RequestPath},
                                      {"complete", complete ? "yes" : "no"}}));
    if (c.Body) {
        EXPECT_EQ(dropped ? "" : body, *c.Body);
    }
    EXPECT_FALSE(c.OutcomeValue("exception")) << "the request was expected to fail";
}

// The passes of one request, with the engine's redirect rules between them.
void RunCase(const THttpCase& c) {
    if (c.OutcomeValue("text-runner") == "skip") GTEST_SKIP() << "decided on the connection: the engine's case";
    if (c.UsesProduct) GTEST_SKIP() << "serves the product's files, which this build does not make";
    const std::vector<THttpPass> passes = c.Connections();
    Client client(c);
    TReplyHeader last;
    std::string body;
    std::size_t pass = 0;
    std::string passOrigin;
    for (;; ++pass) {
        try {
            ParseURL(client.target);
            passOrigin = client.Origin();
            if (pass == 0) client.scope.NewRequest(client.Origin(), client.info);
            const std::string bytes = client.RequestBytes();
            ASSERT_LT(pass, passes.size()) << "the case has no [request] for pass " << pass + 1;
            if (passes[pass].TlsHello) {
                EXPECT_TRUE(client.target.Https) << "a TLS hello on a plain pass";
                EXPECT_EQ(pass + 1, passes.size()) << "passes after TLS are the engine's to play";
                return;
            }
            EXPECT_EQ(bytes, *passes[pass].Request) << "pass " << pass + 1;
        } catch (const std::runtime_error& e) {
            ASSERT_EQ(c.OutcomeValue("exception").value_or("(none)"), e.what());
            EXPECT_EQ(pass, passes.size());
            return;
        }
        const std::string reply = passes[pass].ReplyBytes();
        std::size_t offset = 0;
        try {
            last = ReadReplyHeader(reply, &offset);
        } catch (const EHttpError& e) {
            EXPECT_EQ(c.OutcomeValue("exception").value_or("(none)"), e.what());
            EXPECT_EQ(pass + 1, passes.size());
            return;
        }
        body = reply.substr(offset);
        ExpectParsed(passes[pass], last);
        const int code = last.ReplyCode;
        if (!client.proxy.empty()) {
            // The proxy's own 407 has the pass made again, with the credentials now its own.
            if (code == 407 && client.proxyScope.Challenged(client.proxy, client.proxyPort, client.info)) continue;
            const std::string refusal =
                ProxyAuthenticationError(ProxyName(client.proxy, client.proxyPort), code,
                                         client.proxyScope.Carries(client.proxy, client.proxyPort, client.info));
            if (!refusal.empty()) {
                EXPECT_EQ(c.OutcomeValue("exception").value_or("(none)"), refusal);
                EXPECT_EQ(pass + 1, passes.size()) << "passes run";
                return;
            }
        }
        if (TakesLocation(code)) client.target.CurrentURL = last.RedirectLocation;
        if (IsRedirectCode(code)) {
            if (!last.ReceivedCookie.empty()) {
                client.info.Cookie = last.ReceivedCookie;
                client.scope.CookieReceived(passOrigin, last.ReceivedCookie);
            }
            if (c.ClientFlag("handle-redirect")) break;
            client.target.CurrentURL = CompleteRedirectURL(client.target.CurrentURL, client.target.Host,
                                                           client.target.Port, client.target.Https);
        }
        if (!RunsAnotherPass(code)) break;
    }
    EXPECT_EQ(pass + 1, passes.size()) << "passes run";
    // A body meant for a file that is not the file never reaches it.
    ExpectOutcome(c, client, last, body, c.ClientFlag("input-file-mode") && FileBodyUse(last, 0) == TFileBody::Drop);
}

// Cases are loaded while tests register: a bad file must not abort the program there. It shows
// in TheFolderHoldsTheCases instead.
std::vector<THttpCase> CasesOrNone() {
    try {
        return LoadHttpCases(QUORVANE_HTTP_CASES);
    } catch (const std::exception&) {
        return {};
    }
}

class HttpCaseTest : public ::testing::TestWithParam<THttpCase> {};

TEST_P(HttpCaseTest, TextSideMatchesTheCase) { RunCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Cases, HttpCaseTest, ::testing::ValuesIn(CasesOrNone()), CaseTestNamer());

TEST(HttpCases, TheFolderHoldsTheCases) { EXPECT_GE(LoadHttpCases(QUORVANE_HTTP_CASES).size(), 115u); }

}  // namespace
