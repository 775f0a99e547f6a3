// Fetches URLs through THttpClient for the interop test against real servers. Each argument
// triple is: URL, output file, and "file" (body straight into the file) or "string" (body into
// the Body string, then written to the file). Prints one line per fetch with the reply code, the
// counters and the rate, and one per security notice ("notice: ..."); exits with 1 on the first
// exception, 2 on a bad command line.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "net/http/HttpClient.h"

namespace {

void Fetch(net::THttpClient& client, const std::string& url, const std::string& out, bool toFile) {
    client.InputFileMode = toFile;
    client.Body = toFile ? out : std::string();
    const auto start = std::chrono::steady_clock::now();
    client.Get(url);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!toFile) {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        file.write(client.Body.data(), static_cast<std::streamsize>(client.Body.size()));
    }
    std::printf("%s -> %s: code %d, expected %lld (announced: %s), received %lld, %.1f ms, %.1f MB/s\n", url.c_str(),
                toFile ? "file" : "string", client.ReplyCode, static_cast<long long>(client.BytesExpected),
                client.HasContentLength ? "yes" : "no", static_cast<long long>(client.BytesReceived), seconds * 1e3,
                client.BytesReceived / 1e6 / (seconds > 0 ? seconds : 1e-9));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || (argc - 1) % 3 != 0) {
        std::fprintf(stderr, "usage: http_fetch URL OUT file|string [URL OUT file|string ...]\n");
        return 2;
    }
    try {
        // One client for every fetch, as the download sequence uses it.
        net::THttpClient client;
        client.TimeOut = 20000;
        client.OnSecurityNotice = [](void*, const std::string& notice) { std::printf("notice: %s\n", notice.c_str()); };
        // A test of a stalling server sets a shorter wait.
        if (const char* timeOut = std::getenv("HTTP_FETCH_TIMEOUT")) client.TimeOut = std::atoi(timeOut);
        for (int i = 1; i + 2 < argc; i += 3) Fetch(client, argv[i], argv[i + 1], std::string(argv[i + 2]) == "file");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "http_fetch: %s\n", error.what());
        return 1;
    }
    return 0;
}
