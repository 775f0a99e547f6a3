// What checking and showing the download cost: one large quorvane.exe fetched by (a) the bare HTTP
// engine, (b) the engine with the download's size and SHA-256 check, and (c) the wizard's own
// download step with the form shown on page 4 (the same check, progress bar and labels following
// the chunks). Best of ROUNDS (default 5), interleaved, so that a burst of load on a shared machine
// hits all three alike. FILE, the served file itself, is pinned before the rounds. One line per
// way, then the ratios to (a):
//   <engine|engine-verified|wizard> <bytes> <seconds> <cpu seconds>
// CPU is this process's user + kernel time; Wine's own server process is not in it.
//   download_bench SERVER FILE [ROUNDS]   (host:port serving /download/lite/quorvane.exe, and that file)
#include "bench/download/WizardPage.h"
#include "bench/support/CheckedGet.h"
#include "net/http/HttpClient.h"
#include "tests/support/TemporaryFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

double ProcessorSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

struct Way {
    const char* name;
    std::function<long long()> fetch;  // the body bytes received
    long long bytes = 0;
    double seconds = 0, cpu = 0;
    double MebibytesPerSecond() const { return seconds > 0 ? double(bytes) / 1048576.0 / seconds : 0; }

    void Time() {
        const double cpuBefore = ProcessorSeconds(), start = Now();
        const long long got = fetch();
        const double took = Now() - start, used = ProcessorSeconds() - cpuBefore;
        if (seconds == 0 || took < seconds) {
            bytes = got;
            seconds = took;
            cpu = used;
        }
    }
};

long long BareEngine(const std::string& target) {
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = target;
    client.Get(TfInstall::DownloadUrl("quorvane.exe"));
    return client.BytesReceived;
}

long long CheckedEngine(const std::string& target) {
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = target;
    benchpin::CheckedGet(client, TfInstall::DownloadUrl("quorvane.exe"), *PinnedFile("quorvane.exe"));
    return client.BytesReceived;
}

// What page 4 showed when the last download through the wizard ended.
std::string g_pageFourAtTheEnd;

long long WithTheWizard() {
    benchdownload::PageFour page;
    TfInstall& form = page.form;
    form.StartDownloadClient();
    form.FetchFile("quorvane.exe");
    g_pageFourAtTheEnd = "\"" + form.LblFN.Text() + "\", \"" + form.LblBytes.Text() + "\"";
    return form.HttpClient->BytesReceived;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: download_bench host:port served-file [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    benchdownload::UseServer(argv[1]);
    const benchdownload::Session session;
    try {
        benchdownload::PinServedFile(argv[2]);
        const testsupport::TemporaryFile targetFile("download_bench.bin");
        const std::string& target = targetFile.Path();
        BareEngine(target);  // warm-up: the server's and the system's caches
        std::vector<Way> ways = {{"engine", [&] { return BareEngine(target); }},
                                 {"engine-verified", [&] { return CheckedEngine(target); }},
                                 {"wizard", WithTheWizard}};
        for (int round = 0; round < rounds; ++round)
            for (Way& way : ways) way.Time();
        for (const Way& way : ways) std::printf("%s %lld %.3f %.3f\n", way.name, way.bytes, way.seconds, way.cpu);
        const double engine = ways[0].MebibytesPerSecond();
        std::printf(
            "(a) bare engine %.1f MiB/s, (b) with the check %.1f MiB/s = %.3f x (a), "
            "(c) wizard on page 4 %.1f MiB/s = %.3f x (a)\n",
            engine, ways[1].MebibytesPerSecond(), ways[1].MebibytesPerSecond() / engine, ways[2].MebibytesPerSecond(),
            ways[2].MebibytesPerSecond() / engine);
        std::printf("page 4 at the end: %s\n", g_pageFourAtTheEnd.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "download_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
