// What a cut connection costs the wizard's download step: one large quorvane.exe fetched whole,
// and the same file from a server that cuts every whole-file request at 90 % and honours the
// range of the next. Prints the bytes received over both attempts against the file's size, the
// time against the whole download plus the back-off (medians of five interleaved rounds, so that
// a burst of load on a shared machine does not decide the figure), and the processor time a
// back-off takes, all from one run.
//   resume_bench WHOLE_SERVER CUTTING_SERVER RELEASE
//   (host:port each, serving /download/lite/quorvane.exe; the folder where
//   bench/support/publish-served.sh published that file with a signed manifest)
#include "app/download/DownloadRetry.h"
#include "bench/download/WizardPage.h"
#include "bench/support/Clock.h"
#include "net/http/HttpClient.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using benchclock::Now;
using benchclock::ProcessorSeconds;

struct Fetch {
    double seconds = 0;
    long long received = 0;  // body bytes over every attempt
    long long size = 0;
};

// quorvane.exe through the wizard's own step, page 4 shown, counting every body byte received.
Fetch FetchThroughTheWizard(TfInstall& form, const std::string& server) {
    benchdownload::UseServer(server);
    form.StartDownloadClient();
    Fetch fetch;
    long long last = 0;
    const net::TNotifyEvent show = form.Download.HttpClient->OnPacketRecvd;
    form.Download.HttpClient->OnPacketRecvd = [&](void* sender) {
        const long long now = static_cast<net::THttpClient*>(sender)->BytesReceived;
        fetch.received += now >= last ? now - last : now;  // a new body counts from zero
        last = now;
        show(sender);
    };
    const double start = Now();
    form.Download.FetchFile(benchdownload::ServedFile(), *form.Downloads);
    fetch.seconds = Now() - start;
    fetch.size = form.Download.HttpClient->BodyOffset + form.Download.HttpClient->BytesReceived;
    return fetch;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: resume_bench whole-host:port cutting-host:port release-folder\n");
        return 2;
    }
    const benchdownload::Session session;
    int status = 0;
    try {
        benchdownload::UseServedRelease(argv[3]);
        benchdownload::PageFour page;
        TfInstall& form = page.form;
        FetchThroughTheWizard(form, argv[1]);  // warm-up: the server's and the system's caches
        std::vector<double> wholeSeconds, resumedSeconds, timeRatios;
        Fetch whole, resumed;
        const double backOff = form.Download.BackOffMs[0] / 1000.0;
        for (int round = 0; round < 5; ++round) {
            whole = FetchThroughTheWizard(form, argv[1]);
            resumed = FetchThroughTheWizard(form, argv[2]);
            wholeSeconds.push_back(whole.seconds);
            resumedSeconds.push_back(resumed.seconds);
            timeRatios.push_back(resumed.seconds / (whole.seconds + backOff));
        }

        const double cpuBefore = ProcessorSeconds(), wallBefore = Now();
        BackOff(form.Download.BackOffMs[0], [] { return false; });
        const double cpuShare = (ProcessorSeconds() - cpuBefore) / (Now() - wallBefore);

        std::printf("whole download:       %lld bytes, median %.3f s\n", whole.received, Median(wholeSeconds));
        std::printf("cut at 90 %%, resumed: %lld bytes of %lld received in total = %.3fx the file (target <= 1.12)\n",
                    resumed.received, resumed.size, double(resumed.received) / double(resumed.size));
        std::printf(
            "cut at 90 %%, resumed: median %.3f s; time / (whole + back-off %.1f s): median %.3fx, "
            "worst %.3fx of 5 rounds (target <= 1.15)\n",
            Median(resumedSeconds), backOff, Median(timeRatios),
            *std::max_element(timeRatios.begin(), timeRatios.end()));
        std::printf("CPU during a %.1f s back-off: %.2f %% of one core (target < 2 %%)\n", backOff, 100.0 * cpuShare);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "resume_bench: %s\n", e.what());
        status = 1;
    }
    return status;
}
