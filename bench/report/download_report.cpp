// Download throughput and CPU cost under Wine of three Windows downloaders fetching the same file
// from the same loopback server: a bare blocking recv loop, the system's WinINet and, when the
// tree has it, the installer's own HTTP engine (Get with InputFileMode). Each writes the body to
// a file, as the installer does. Given the served file's release (RELEASE, the folder where
// bench/support/publish-served.sh published it), also the engine with the download sequence's
// check: size and SHA-256 computed while the body arrives and compared with the signed manifest's.
// Best of `rounds`, interleaved, so that a burst of load on a shared machine hits all alike. One
// line per downloader:
//   <name> <bytes> <seconds> <cpu seconds>
// and, with RELEASE, one for CNG's SHA-256 over the file (reading it included):
//   sha256-file <bytes> <seconds>
// CPU is this process's user + kernel time; Wine's own server process is not in it.
//   download_report HOST PORT PATH OUTFILE [ROUNDS [RELEASE [TLS_PORT]]]
// With TLS_PORT (an HTTPS server for localhost serving the same PATH, whose authority the
// prefix trusts), the engine and WinINet also fetch over TLS (rows engine-https, wininet-https),
// and, before the rounds, the engine's working set is measured over TLS after PATH's
// siblings m1.bin and g1.bin (1 MiB, 1 GiB) and its CPU share while trickle.bin trickles in:
//   tls-memory <peak MiB after 1 MiB> <peak MiB after 1 GiB>
//   tls-trickle <seconds> <cpu seconds>
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/Clock.h"

#ifdef QUORVANE_HAVE_ENGINE
#include "bench/support/CheckedGet.h"
#include "bench/support/ServedRelease.h"
#include "net/http/HttpClient.h"
#endif

namespace {

constexpr int kChunk = 65536;

struct Figures {
    long long bytes = 0;
    double seconds = 1e9, cpu = 1e9;
};

using benchclock::Now;
using benchclock::ProcessorSeconds;

// The output file, closed on every exit path.
class OutFile {
public:
    explicit OutFile(const std::string& path)
        : h_(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (h_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    }
    ~OutFile() { CloseHandle(h_); }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    void Write(const char* data, DWORD size) {
        DWORD written = 0;
        if (!WriteFile(h_, data, size, &written, nullptr) || written != size) throw std::runtime_error("write failed");
    }

private:
    HANDLE h_;
};

struct Target {
    std::string host, path, out;
    int port;
    bool https = false;
    std::string Url() const { return (https ? "https://" : "http://") + host + ":" + std::to_string(port) + path; }
};

// A plain blocking socket: the request, then recv until the server closes; the header is cut off.
long long BareRecv(const Target& t) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(t.host.c_str());
    address.sin_port = htons(static_cast<u_short>(t.port));
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        throw std::runtime_error("bare recv: cannot connect");
    }
    const std::string request = "GET " + t.path + " HTTP/1.0\r\nHost: " + t.host + "\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    OutFile file(t.out);
    std::vector<char> buffer(kChunk);
    std::string head;
    bool inBody = false;
    long long body = 0;
    for (int n; (n = recv(s, buffer.data(), kChunk, 0)) > 0;) {
        if (inBody) {
            file.Write(buffer.data(), static_cast<DWORD>(n));
            body += n;
            continue;
        }
        head.append(buffer.data(), static_cast<std::size_t>(n));
        const std::size_t end = head.find("\r\n\r\n");
        if (end == std::string::npos) continue;
        inBody = true;
        file.Write(head.data() + end + 4, static_cast<DWORD>(head.size() - end - 4));
        body += static_cast<long long>(head.size() - end - 4);
    }
    closesocket(s);
    return body;
}

// The system's own HTTP stack, without its cache.
long long WinInet(const Target& t) {
    HINTERNET session = InternetOpenA("quorvane-bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!session) throw std::runtime_error("WinINet: no session");
    const DWORD secure = t.https ? INTERNET_FLAG_SECURE : 0;
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE | secure;
    HINTERNET url = InternetOpenUrlA(session, t.Url().c_str(), nullptr, 0, flags, 0);
    if (!url) {
        InternetCloseHandle(session);
        throw std::runtime_error("WinINet: cannot open the URL");
    }
    long long body = 0;
    try {
        OutFile file(t.out);
        std::vector<char> buffer(kChunk);
        DWORD got = 0;
        while (InternetReadFile(url, buffer.data(), kChunk, &got) && got > 0) {
            file.Write(buffer.data(), got);
            body += got;
        }
    } catch (...) {
        InternetCloseHandle(url);
        InternetCloseHandle(session);
        throw;
    }
    InternetCloseHandle(url);
    InternetCloseHandle(session);
    return body;
}

#ifdef QUORVANE_HAVE_ENGINE
long long Engine(const Target& t) {
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = t.out;
    client.Get(t.Url());
    return client.BytesReceived;
}

long long VerifiedEngine(const Target& t, const release::TReleaseFile& expected) {
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = t.out;
    benchpin::CheckedGet(client, t.Url(), expected);
    return client.BytesReceived;
}
#endif

#ifdef QUORVANE_HAVE_ENGINE
double PeakWorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1048576.0;
}

// A target beside `t` (same folder), another file.
Target Sibling(Target t, const std::string& name) {
    t.path = t.path.substr(0, t.path.rfind('/') + 1) + name;
    return t;
}

void TlsMemoryAndWaiting(const Target& https) {
    Engine(Sibling(https, "m1.bin"));
    const double small = PeakWorkingSetMiB();
    Engine(Sibling(https, "g1.bin"));
    std::printf("tls-memory %.2f %.2f\n", small, PeakWorkingSetMiB());
    const double cpu = ProcessorSeconds(), start = Now();
    Engine(Sibling(https, "trickle.bin"));
    std::printf("tls-trickle %.3f %.3f\n", Now() - start, ProcessorSeconds() - cpu);
}
#endif

void Measure(Figures& best, const std::function<long long()>& run) {
    const double cpu = ProcessorSeconds(), start = Now();
    const long long bytes = run();
    const double seconds = Now() - start, used = ProcessorSeconds() - cpu;
    best.bytes = bytes;
    best.seconds = std::min(best.seconds, seconds);
    best.cpu = std::min(best.cpu, used);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: download_report HOST PORT PATH OUTFILE [ROUNDS]\n");
        return 2;
    }
    const Target t{argv[1], argv[3], argv[4], std::atoi(argv[2])};
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 3;
    Target https = t;
    https.host = "localhost";
    https.https = true;
    https.port = argc > 7 ? std::atoi(argv[7]) : 0;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    struct Row {
        const char* name;
        std::function<long long()> run;
        Figures best;
    };
    std::vector<Row> rows = {{"bare-recv", [&] { return BareRecv(t); }, {}},
                             {"wininet", [&] { return WinInet(t); }, {}}};
#ifdef QUORVANE_HAVE_ENGINE
    rows.push_back({"engine", [&] { return Engine(t); }, {}});
    release::TRelease served;
    if (argc > 6) {
        rows.push_back(
            {"engine-verified", [&] { return VerifiedEngine(t, benchrelease::FileOf(served, "quorvane.exe")); }, {}});
    }
    if (https.port) {
        rows.push_back({"engine-https", [&] { return Engine(https); }, {}});
        rows.push_back({"wininet-https", [&] { return WinInet(https); }, {}});
    }
#endif
    try {
#ifdef QUORVANE_HAVE_ENGINE
        if (argc > 6) {
            served = benchrelease::ServedRelease(argv[6]);
            // The hash's own rate bounds what checking can cost: reported beside the rows.
            const double start = Now();
            const release::TReleaseFile hashed =
                benchrelease::FileHash("quorvane.exe", std::string(argv[6]) + "\\quorvane.exe");
            std::printf("sha256-file %llu %.3f\n", static_cast<unsigned long long>(hashed.Size), Now() - start);
        }
        if (https.port) TlsMemoryAndWaiting(https);
#endif
        for (int round = 0; round < rounds; ++round)
            for (Row& row : rows) Measure(row.best, row.run);
    } catch (const std::exception& error) {
        std::printf("failed: %s\n", error.what());
        DeleteFileA(t.out.c_str());
        return 1;
    }
    DeleteFileA(t.out.c_str());
    for (const Row& row : rows)
        std::printf("%s %lld %.3f %.3f\n", row.name, row.best.bytes, row.best.seconds, row.best.cpu);
    WSACleanup();
    return 0;
}
