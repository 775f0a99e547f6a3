// The download page's cost: one large quorvane.exe fetched from a loopback server by the bare
// HTTP engine, then by the wizard's own download step with the form shown on page 4 (progress bar
// and labels following the chunks). Prints both speeds and their ratio, best of five rounds
// interleaved, so that a burst of load on a shared machine does not decide the figure. The wizard
// checks what it downloads against a pinned size and SHA-256: FILE, the served file itself, is
// pinned before the rounds.
//   download_bench SERVER FILE   (host:port serving /download/lite/quorvane.exe, and that file)
#include "app/DownloadServer.h"
#include "app/install/DownloadFolder.h"
#include "app/uInstall.h"
#include "bench/support/RuntimePin.h"
#include "net/http/HttpClient.h"
#include "ui/Application.h"

#include <cstdio>
#include <string>

namespace {

std::string g_server;
verify::TPinnedFile g_pinned{};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

struct Run {
    double seconds = 0;
    long long bytes = 0;
    double MegabytesPerSecond() const { return seconds > 0 ? double(bytes) / 1048576.0 / seconds : 0; }
};

Run BareEngine(const std::string& target) {
    net::THttpClient client;
    client.InputFileMode = true;
    client.Body = target;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    client.Get(TfInstall::DownloadUrl("quorvane.exe"));
    QueryPerformanceCounter(&end);
    return {Seconds(start, end), client.BytesReceived};
}

Run WithTheWizard() {
    TfInstall form(GetThreadLocale());
    form.Show();
    form.ShowSteps(false, false, false, true, false);
    ui::Application::Instance().ProcessMessages();
    install::DownloadFolder folder(form.TempPath);
    form.DownloadDir = folder.Path();
    form.StartDownloadClient();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    form.FetchFile("quorvane.exe");
    QueryPerformanceCounter(&end);
    std::printf("  page 4 at the end: \"%s\", \"%s\"\n", form.LblFN.Text().c_str(), form.LblBytes.Text().c_str());
    return {Seconds(start, end), form.HttpClient->BytesReceived};
}

}  // namespace

const char* DownloadServer() { return g_server.c_str(); }
const verify::TPinnedFile* PinnedFile(std::string_view name) {
    return g_pinned.Name && name == g_pinned.Name ? &g_pinned : nullptr;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: download_bench host:port served-file\n");
        return 2;
    }
    g_server = argv[1];
    ui::ComApartment com;
    auto& app = ui::Application::Instance();
    app.Initialize();
    app.SetTitle("Installation");
    tTranslate table;
    Translator = &table;
    try {
        g_pinned = benchpin::PinFromFile("quorvane.exe", argv[2]);
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string target = std::string(temp) + "download_bench.bin";
        BareEngine(target);  // warm-up: the server's and the system's caches
        Run bare, wizard;
        for (int round = 0; round < 5; ++round) {
            const Run b = BareEngine(target);
            const Run w = WithTheWizard();
            if (bare.seconds == 0 || b.seconds < bare.seconds) bare = b;
            if (wizard.seconds == 0 || w.seconds < wizard.seconds) wizard = w;
        }
        DeleteFileA(target.c_str());
        std::printf("bare engine:      %lld bytes in %.3f s = %.1f MB/s\n", bare.bytes, bare.seconds,
                    bare.MegabytesPerSecond());
        std::printf("wizard on page 4: %lld bytes in %.3f s = %.1f MB/s\n", wizard.bytes, wizard.seconds,
                    wizard.MegabytesPerSecond());
        std::printf("ratio: %.1f %% of the bare engine's speed (target >= 90 %%)\n",
                    100.0 * wizard.MegabytesPerSecond() / bare.MegabytesPerSecond());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "download_bench: %s\n", e.what());
        Translator = nullptr;
        return 1;
    }
    Translator = nullptr;
    return 0;
}
