// Every data case of cases/ through the whole engine under Wine: the exact request bytes of each
// connection, the events in order, the exception, the reply code and counters, the URL state,
// the header text and the body (file or string), against a loopback server playing the case.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/net/http/EngineRun.h"
#include "tests/net/http/HttpCase.h"
#include "tests/support/WholeFile.h"

using namespace httptest;

// GoogleTest names a failing case by its file rather than dumping its bytes.
void PrintTo(const THttpCase& c, std::ostream* os) { *os << c.Name << ".case"; }

namespace {

void CheckRequests(const THttpCase& c, const TEngineRun& run) {
    const bool connects = c.OutcomeValue("connects").value_or("yes") != "no";
    const auto expected = c.ExpectedRequests();
    const std::size_t made =
        c.OutcomeValue("connections") ? std::stoul(*c.OutcomeValue("connections")) : expected.size();
    ASSERT_EQ(run.Requests.size(), connects ? made : 0u) << "connections made";
    for (std::size_t i = 0; i < expected.size() && i < run.Requests.size(); ++i) {
        if (expected[i]) {
            EXPECT_EQ(run.Requests[i], *expected[i]) << "request of connection " << i + 1;
        }
    }
}

void CheckOutcome(const THttpCase& c, const TEngineRun& run) {
    const net::THttpClient& client = *run.Client;
    // "a | b": either, where the misbehaviour races the client; "(none)": the request returns.
    const std::string expected = c.OutcomeValue("exception").value_or("(none)");
    const std::string actual = run.Exception.empty() ? "(none)" : run.Exception;
    bool either = false;
    for (std::size_t from = 0; from <= expected.size();) {
        const std::size_t bar = std::min(expected.find(" | ", from), expected.size());
        either = either || expected.substr(from, bar - from) == actual;
        from = bar + 3;
    }
    EXPECT_TRUE(either) << "exception: " << actual << "\nexpected:  " << expected;
    const auto redirects = std::count(run.Events.begin(), run.Events.end(), "Redirect");
    for (const std::string& difference :
         Differences(c.Outcome, {{"reply-code", std::to_string(client.ReplyCode)},
                                 {"bytes-expected", std::to_string(client.BytesExpected)},
                                 {"has-content-length", client.HasContentLength ? "yes" : "no"},
                                 {"current-url", client.CurrentURL},
                                 {"host", client.Host},
                                 {"port", std::to_string(client.Port)},
                                 {"request-path", client.RequestPath},
                                 {"complete", client.ReplyComplete ? "yes" : "no"},
                                 {"redirects", std::to_string(redirects)}}))
        ADD_FAILURE() << difference;
    if (auto most = c.OutcomeValue("takes-at-most")) {
        EXPECT_LE(run.ElapsedMs, std::stoull(*most)) << "ms";
    }
    if (auto most = c.OutcomeValue("header-size-at-most")) {
        EXPECT_LE(client.Header.size(), std::stoul(*most));
    }
    // Whatever the end, the request leaves no connection open.
    EXPECT_FALSE(client.Connected());
    if (auto events = c.OutcomeValue("events")) {
        EXPECT_TRUE(EventsMatch(*events, run.Events))
            << "expected: " << *events << "\nactual:   " << testing::PrintToString(run.Events);
    }
}

void CheckBodyAndHeader(const THttpCase& c, const TEngineRun& run) {
    const net::THttpClient& client = *run.Client;
    if (c.Body) {
        const std::string& body = client.InputFileMode ? run.BodyFile : client.Body;
        EXPECT_EQ(body.size(), c.Body->size());
        EXPECT_TRUE(body == *c.Body) << "body differs";
        if (run.Exception.empty() && client.BodyOffset >= 0) {
            EXPECT_EQ(client.BytesReceived, static_cast<std::int64_t>(c.Body->size()));
        }
    }
    if (!c.Passes.empty() && c.Passes.back().Header) {
        const std::string header = client.OutputFileMode ? testsupport::ReadWholeFile(client.Header) : client.Header;
        EXPECT_EQ(header, *c.Passes.back().Header);
    }
}

class EngineCase : public testing::TestWithParam<THttpCase> {};

TEST_P(EngineCase, RunsAsScripted) {
    TEngineRun run;
    try {
        run = RunCase(GetParam());
    } catch (const std::runtime_error& error) {
        // Only the cases that lead to a fixed port (21, 70, 80, 8000) can end here.
        GTEST_SKIP() << error.what();
    }
    const THttpCase& c = run.Case;
    CheckRequests(c, run);
    CheckOutcome(c, run);
    CheckBodyAndHeader(c, run);
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineCase, testing::ValuesIn(LoadCases()), CaseTestNamer());

}  // namespace
