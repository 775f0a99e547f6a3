#pragma once
// Runs one data case through the whole engine against a TCaseServer and collects what the tests
// compare: the request bytes of every connection, the events in order, the exception text, and
// the client's state afterwards.
#include <memory>
#include <string>
#include <vector>

#include "net/http/HttpClient.h"
#include "tests/net/http/HttpCase.h"

namespace httptest {

// The cases name their server localhost:18080; the tests serve on a free port instead (five
// digits too, so that no length in a case changes) and rewrite the cases to it.
inline constexpr char kCasePort[] = "18080";
// And the port where nothing listens: a free one at the time of the run.
inline constexpr char kClosedCasePort[] = "18081";
std::string WithPort(std::string text, int port);
THttpCase CaseOnPort(const THttpCase& testCase, int port);

// The port the case's server must listen on: 0 (any) unless the case leads to a fixed port.
int FixedPort(const THttpCase& testCase);

struct TEngineRun {
    std::unique_ptr<net::THttpClient> Client;
    std::vector<std::string> Events;
    std::vector<std::string> Requests;
    std::string Exception;             // empty when the request returned normally
    std::string BodyFile;              // with input-file-mode
    unsigned long long ElapsedMs = 0;  // of the request
    THttpCase Case;                    // the case as run: on the server's port
};

// Records every event of the client by name into events (OnRedirect sets Handled when asked).
void RecordEvents(net::THttpClient& client, std::vector<std::string>& events, bool handleRedirect);

// Sets the client up from the case's [client] section and makes its request.
void MakeRequest(net::THttpClient& client, const THttpCase& testCase);
// Makes the case's request again with the client as it is.
void IssueRequest(net::THttpClient& client, const THttpCase& testCase);

// The cases of the folder, with the product's files where the program knows them.
std::vector<THttpCase> LoadCases();

// The whole run: server (on the case's fixed port, or a free one the case is moved to), client,
// request. Throws std::runtime_error when the case's fixed port cannot be had.
TEngineRun RunCase(const THttpCase& testCase);

std::string ReadWholeFile(const std::string& name);
void WriteWholeFile(const std::string& name, const std::string& bytes);
// A file name in the temporary directory for this test program.
std::string TempFile(const std::string& name);

}  // namespace httptest
