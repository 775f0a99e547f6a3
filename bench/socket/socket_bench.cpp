// Figures of the socket component under Wine: CPU while a capture waits on a slow peer,
// CaptureFile throughput against a bare blocking recv loop, and the working set after a large
// capture. The peer is a thread of this program serving on 127.0.0.1.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/socket/SocketComponent.h"
#include "tests/support/Loopback.h"

namespace {

constexpr int kChunk = 65536;

double Seconds(ULONGLONG ms) { return static_cast<double>(ms) / 1000.0; }

// Serves one connection on a fresh loopback port with `serve`, then closes it.
class Server {
public:
    explicit Server(std::function<void(SOCKET)> serve) {
        port_ = 0;
        listener_ = loopback::Listen(port_, 1);
        thread_ = std::thread([this, serve = std::move(serve)] {
            SOCKET s = accept(listener_, nullptr, nullptr);
            if (s == INVALID_SOCKET) return;
            serve(s);
            shutdown(s, SD_SEND);
            closesocket(s);
        });
    }
    ~Server() {
        thread_.join();
        closesocket(listener_);
    }
    int Port() const { return port_; }

private:
    SOCKET listener_;
    int port_ = 0;
    std::thread thread_;
};

void SendBytes(SOCKET s, unsigned long long total) {
    std::vector<char> block(kChunk, 'x');
    while (total > 0) {
        const int part = static_cast<int>(total < kChunk ? total : kChunk);
        const int n = send(s, block.data(), part, 0);
        if (n <= 0) return;
        total -= static_cast<unsigned long long>(n);
    }
}

std::string TempPath(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

ULONGLONG ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) { return ((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000; };
    return ms(kernel) + ms(user);
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

// Captures `total` bytes sent at full speed into `path`; returns the wall time in ms.
ULONGLONG CaptureOf(unsigned long long total, const std::string& path) {
    Server server([total](SOCKET s) { SendBytes(s, total); });
    net::ROzaverazo client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect();
    const ULONGLONG start = GetTickCount64();
    client.CaptureFile(path);
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (static_cast<unsigned long long>(client.BytesReceived) != total) {
        std::printf("  !! received %lld of %llu bytes\n", static_cast<long long>(client.BytesReceived), total);
    }
    client.Disconnect();
    return elapsed;
}

// The bare loop either only receives (path empty) or writes each chunk to a file with WriteFile,
// the same work CaptureFile does: the second figure isolates what our waits and pumps cost.
ULONGLONG BareRecvOf(unsigned long long total, const std::string& path = {}) {
    Server server([total](SOCKET s) { SendBytes(s, total); });
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!path.empty()) {
        file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(server.Port()));
    connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    std::vector<char> buffer(kChunk);
    const ULONGLONG start = GetTickCount64();
    unsigned long long got = 0;
    for (int n; (n = recv(s, buffer.data(), kChunk, 0)) > 0;) {
        got += static_cast<unsigned long long>(n);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) WriteFile(file, buffer.data(), static_cast<DWORD>(n), &written, nullptr);
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    const ULONGLONG elapsed = GetTickCount64() - start;
    closesocket(s);
    if (got != total) std::printf("  !! bare loop received %llu of %llu bytes\n", got, total);
    return elapsed;
}

void TrickleCpu() {
    constexpr int kSeconds = 5;
    Server server([](SOCKET s) {
        for (int i = 0; i < kSeconds; ++i) {
            SendBytes(s, 4096);
            Sleep(1000);
        }
    });
    net::ROzaverazo client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect();
    const std::string path = TempPath("quorvane-bench-trickle.bin");
    const ULONGLONG cpu = ProcessCpuMs();
    const ULONGLONG start = GetTickCount64();
    client.CaptureFile(path);
    const ULONGLONG wall = GetTickCount64() - start;
    const ULONGLONG used = ProcessCpuMs() - cpu;
    DeleteFileA(path.c_str());
    std::printf("trickle 4 KiB/s for %d s: wall %.2f s, process CPU %.3f s = %.2f %% of one core (target <= 2 %%)\n",
                kSeconds, Seconds(wall), Seconds(used), 100.0 * static_cast<double>(used) / static_cast<double>(wall));
}

void WorkingSet() {
    const std::string path = TempPath("quorvane-bench-memory.bin");
    // The first capture also pages in code and makes the one-off allocations (window classes,
    // Winsock's tables); the figure compares a 1 MiB capture with a 1 GiB one after that.
    CaptureOf(1ull << 20, path);
    CaptureOf(1ull << 20, path);
    const SIZE_T small = PeakWorkingSet();
    const ULONGLONG ms = CaptureOf(1ull << 30, path);
    const SIZE_T large = PeakWorkingSet();
    DeleteFileA(path.c_str());
    std::printf("peak working set: after 1 MiB capture %.2f MiB, after 1 GiB capture %.2f MiB, growth %.3f MiB "
                "(target <= 1 MiB); 1 GiB took %.2f s\n",
                small / 1048576.0, large / 1048576.0, (static_cast<double>(large) - static_cast<double>(small)) / 1048576.0,
                Seconds(ms));
}

void Throughput() {
    constexpr unsigned long long kTotal = 256ull << 20;
    const std::string path = TempPath("quorvane-bench-body.bin");
    // Best of seven, interleaved, so that a burst of load on a shared machine hits all alike.
    ULONGLONG bare = ~0ull, bareToFile = ~0ull, toFile = ~0ull, toNul = ~0ull;
    for (int round = 0; round < 7; ++round) {
        bare = std::min(bare, BareRecvOf(kTotal));
        bareToFile = std::min(bareToFile, BareRecvOf(kTotal, path));
        DeleteFileA(path.c_str());
        toFile = std::min(toFile, CaptureOf(kTotal, path));
        DeleteFileA(path.c_str());
        toNul = std::min(toNul, CaptureOf(kTotal, "NUL"));
    }
    auto rate = [](ULONGLONG ms) { return 256.0 / (static_cast<double>(ms ? ms : 1) / 1000.0); };
    std::printf("256 MiB, best of 7: bare blocking recv %.0f MB/s (%.2f s); CaptureFile to a file %.0f MB/s (%.2f s) = %.0f %% "
                "of bare (target >= 90 %%); CaptureFile to NUL %.0f MB/s = %.0f %% of bare\n",
                rate(bare) * 1.048576, Seconds(bare), rate(toFile) * 1.048576, Seconds(toFile),
                100.0 * static_cast<double>(bare) / static_cast<double>(toFile), rate(toNul) * 1.048576,
                100.0 * static_cast<double>(bare) / static_cast<double>(toNul));
    std::printf("256 MiB, best of 7: bare blocking recv + WriteFile to a file %.0f MB/s; CaptureFile to a file = %.0f %% "
                "of it\n",
                rate(bareToFile) * 1.048576, 100.0 * static_cast<double>(bareToFile) / static_cast<double>(toFile));
}

}  // namespace

int main() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);  // for the server threads and the bare loop
    try {
        WorkingSet();
        TrickleCpu();
        Throughput();
    } catch (const std::exception& error) {
        std::printf("benchmark failed: %s\n", error.what());
        return 1;
    }
    WSACleanup();
    return 0;
}
