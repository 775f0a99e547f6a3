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
void RecordEvents(net::THttpClient& client, std::vector<std::string>& events, bool handleRedirect = false);

// The cases name their server localhost:18080 and a port where nothing listens 18081; this is
// the case moved to the port its server got (and to a closed port of the moment).
THttpCase CaseOnPort(const THttpCase& testCase, int port);

// The cases of the folder, with the product's files where the program knows them.
std::vector<THttpCase> LoadCases();

// The whole run: server (on the case's fixed port, or a free one the case is moved to), client,
// request. Throws std::runtime_error when the case's fixed port cannot be had.
TEngineRun RunCase(const THttpCase& testCase);

}  // namespace httptest
