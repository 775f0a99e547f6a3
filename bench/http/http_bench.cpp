// Figures of the HTTP engine under Wine: the rate of a large Get into a file, the working set
// it leaves (the body must not be held whole), and the time of the download sequence's four
// small Gets in a row on one client. The server is a thread of this program on 127.0.0.1.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/install/ProductFiles.h"
#include "net/http/HttpClient.h"
#include "tests/support/Loopback.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/net/http/CaseServer.h"
#include "tests/net/http/EngineRun.h"

namespace {

constexpr int kBigMiB = 256;

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double WorkingSetMiB(bool peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return (peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize) / 1048576.0;
}

// Serves one Get of kBigMiB MiB, sent from one reused 1 MiB block so that the server does not
// weigh on the working set being measured.
void BigDownload() {
    loopback::Listener server(1);
    std::thread peer([&server] {
        SOCKET s = server.Accept();
        httptest::ReadRequest(s);
        const std::string header =
            "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(std::int64_t{kBigMiB} << 20) + "\r\n\r\n";
        send(s, header.data(), static_cast<int>(header.size()), 0);
        const std::string block(1 << 20, 'q');
        for (int i = 0; i < kBigMiB; ++i) send(s, block.data(), static_cast<int>(block.size()), 0);
        shutdown(s, SD_SEND);
        char sink[256];
        while (recv(s, sink, sizeof sink, 0) > 0) {
        }
        closesocket(s);
    });
    const testsupport::TemporaryFile body("bench.body");
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = body.Path();
    const double before = WorkingSetMiB(true);
    const double start = Now();
    client.Get("http://" + loopback::Address(server.Port()) + "/big");
    const double seconds = Now() - start;
    peer.join();
    std::printf(
        "Get of %d MiB into a file: %.2f s, %.0f MB/s, %lld bytes, peak working set %.1f MiB before, "
        "%.1f MiB after\n",
        kBigMiB, seconds, client.BytesReceived / 1e6 / seconds, static_cast<long long>(client.BytesReceived), before,
        WorkingSetMiB(true));
}

void FourSmallGets() {
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(5000, 'x');
    httptest::TCaseServer server;
    server.Start({httptest::Actions({{THttpAction::Send, reply, 0}})});
    const testsupport::TemporaryFile body("bench.small");
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = body.Path();
    const double start = Now();
    for (const char* name : install::kDownloadOrder) {
        client.Get("http://localhost:" + std::to_string(server.Port()) + "/download/lite/" + name);
    }
    const double seconds = Now() - start;
    std::printf("Four 5000-byte Gets in a row (host looked up each time): %.1f ms, %.1f ms each\n", seconds * 1e3,
                seconds * 1e3 / 4);
}

}  // namespace

int main() {
    BigDownload();
    FourSmallGets();
    return 0;
}
