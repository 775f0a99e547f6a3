// What checking and showing the download cost: one large quorvane.exe fetched by (a) the bare HTTP
// engine, (b) the engine with the download's size and SHA-256 check, and (c) the wizard's own
// download step with the form shown on page 4 (the same check, progress bar and labels following
// the chunks). Best of ROUNDS (default 5), interleaved, so that a burst of load on a shared machine
// hits all three alike. What to expect of the file comes from RELEASE, the folder where
// bench/support/publish-served.sh published it with a signed manifest. One line per way, then the
// ratios to (a):
//   <engine|engine-verified|wizard> <bytes> <seconds> <cpu seconds>
// and the same figures for CNG's SHA-256 over the file (reading it included), named sha256.
// CPU is this process's user + kernel time; Wine's own server process is not in it.
//   download_bench SERVER RELEASE [ROUNDS]   (host:port serving /download/lite/quorvane.exe)
#include "bench/download/WizardPage.h"
#include "bench/support/Clock.h"
#include "bench/support/CheckedGet.h"
#include "bench/support/ServedRelease.h"
#include "net/http/HttpClient.h"
#include "tests/support/TemporaryFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using benchclock::Now;
using benchclock::ProcessorSeconds;

// One timed download: its body bytes, wall-clock and processor seconds.
struct Figures {
    long long bytes = 0;
    double seconds = 0, cpu = 0;
    double MebibytesPerSecond() const { return seconds > 0 ? double(bytes) / 1048576.0 / seconds : 0; }
};

// Times `get` alone, what it sets up before excluded.
Figures Timed(const std::function<void()>& get) {
    const double cpu = ProcessorSeconds(), start = Now();
    get();
    return {0, Now() - start, ProcessorSeconds() - cpu};
}

Figures BareEngine(const std::string& target) {
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = target;
    Figures figures = Timed([&] { client.Get(DownloadSequence::DownloadUrl("quorvane.exe")); });
    figures.bytes = client.BytesReceived;
    return figures;
}

Figures CheckedEngine(const std::string& target) {
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = target;
    Figures figures = Timed([&] {
        benchpin::CheckedGet(client, DownloadSequence::DownloadUrl("quorvane.exe"), benchdownload::ServedFile());
    });
    figures.bytes = client.BytesReceived;
    return figures;
}

// What page 4's labels showed when the last download through the wizard ended.
std::string g_fileLabel, g_bytesLabel;

Figures WithTheWizard() {
    benchdownload::PageFour page;
    TfInstall& form = page.form;
    form.StartDownloadClient();
    Figures figures = Timed([&] { form.Download.FetchFile(benchdownload::ServedFile(), *form.Downloads); });
    figures.bytes = form.Download.HttpClient->BytesReceived;
    g_fileLabel = form.LblFN.Text();
    g_bytesLabel = form.LblBytes.Text();
    return figures;
}

struct Way {
    const char* name;
    std::function<Figures()> fetch;
    Figures best;

    void Time() {
        const Figures now = fetch();
        if (best.seconds == 0 || now.seconds < best.seconds) best = now;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: download_bench host:port release-folder [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    benchdownload::UseServer(argv[1]);
    const benchdownload::Session session;
    try {
        // CNG's SHA-256 over the served file (read from the system's cache) bounds what (b) can
        // cost on top of (a): reported beside the rows.
        benchdownload::UseServedRelease(argv[2]);
        Figures pin = Timed([&] { benchrelease::FileHash("quorvane.exe", std::string(argv[2]) + "\\quorvane.exe"); });
        pin.bytes = static_cast<long long>(benchdownload::ServedFile().Size);
        const testsupport::TemporaryFile targetFile("download_bench.bin");
        const std::string& target = targetFile.Path();
        BareEngine(target);  // warm-up: the server's and the system's caches
        std::vector<Way> ways = {{"engine", [&] { return BareEngine(target); }, {}},
                                 {"engine-verified", [&] { return CheckedEngine(target); }, {}},
                                 {"wizard", WithTheWizard, {}}};
        for (int round = 0; round < rounds; ++round)
            for (Way& way : ways) way.Time();
        std::printf("sha256 %lld %.3f %.3f\n", pin.bytes, pin.seconds, pin.cpu);
        for (const Way& way : ways)
            std::printf("%s %lld %.3f %.3f\n", way.name, way.best.bytes, way.best.seconds, way.best.cpu);
        const double engine = ways[0].best.MebibytesPerSecond();
        std::printf(
            "(a) bare engine %.1f MiB/s, (b) with the check %.1f MiB/s = %.3f x (a), "
            "(c) wizard on page 4 %.1f MiB/s = %.3f x (a)\n",
            engine, ways[1].best.MebibytesPerSecond(), ways[1].best.MebibytesPerSecond() / engine,
            ways[2].best.MebibytesPerSecond(), ways[2].best.MebibytesPerSecond() / engine);
        std::printf("page 4 at the end: \"%s\", \"%s\"\n", g_fileLabel.c_str(), g_bytesLabel.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "download_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
