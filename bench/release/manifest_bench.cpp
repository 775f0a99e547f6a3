// What checking a release manifest costs the installer: its signature through CNG with the build's
// keys, then its fields, over the manifest and signature of a folder (a 256-file release, published
// by bench/release/run-manifest-bench.sh). Prints the first check (CNG's ECDSA provider loaded on
// first use included), the median and the best of the next ones, and the median of the parse alone.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/release/ReleaseCheck.h"
#include "app/release/ReleaseKeys.h"

namespace {

std::string Read(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Check>
double Time(Check check) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    check();
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: manifest_bench FOLDER\n");
        return 2;
    }
    const std::string manifest = Read(std::wstring(argv[1]) + L"\\release.manifest");
    const std::string signature = Read(std::wstring(argv[1]) + L"\\release.manifest.sig");
    std::size_t files = 0;
    bool accepted = true;
    auto check = [&] {
        const release::TManifestResult result =
            release::CheckReleaseManifest(manifest, signature, release::kReleaseKeys, "Quorvane");
        accepted = accepted && result.Release;
        if (!result.Release) std::fprintf(stderr, "refused: %s (line %zu)\n", result.Reason.c_str(), result.Line);
        files = result.Release ? result.Release->Files.size() : 0;
    };
    const double first = Time(check);
    std::vector<double> checks, parses;
    for (int i = 0; i < 200; ++i) checks.push_back(Time(check));
    for (int i = 0; i < 200; ++i)
        parses.push_back(
            Time([&] { accepted = accepted && release::ParseReleaseManifest(manifest, "Quorvane").Release; }));
    if (!accepted) return 1;
    std::printf("manifest-check %zu %zu %.3f %.3f %.3f %.3f\n", files, manifest.size(), first, Median(checks),
                *std::min_element(checks.begin(), checks.end()), Median(parses));
    return 0;
}
