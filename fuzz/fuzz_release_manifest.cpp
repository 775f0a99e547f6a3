// The release manifest's parser over arbitrary bytes. A refusal names a reason and a line that
// exists; an acceptance holds only values within their bounds and the lines of its sequence and
// expiry, orders its files for the download as a permutation with the product's first, and the
// manifest written back from its values, LF-ended, is accepted again with the same values.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "app/install/ProductFiles.h"
#include "app/release/ReleaseManifest.h"

namespace {

std::string Hex(const release::Sha256Bytes& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) text += {kHex[byte >> 4], kHex[byte & 15]};
    return text;
}

std::string Write(const release::TRelease& release, std::string_view expires) {
    std::string text = "quorvane-release 1\nproduct " + release.Product + "\nversion " + release.Version +
                       "\nsequence " + std::to_string(release.Sequence) + "\nexpires " + std::string(expires) + "\n";
    for (const std::string& mirror : release.Mirrors) text += "mirror " + mirror + "\n";
    for (const release::TReleaseFile& file : release.Files)
        text += "file " + file.Name + " " + std::to_string(file.Size) + " " + Hex(file.Sha256) + "\n";
    return text;
}

bool Same(const release::TRelease& a, const release::TRelease& b) {
    if (a.Product != b.Product || a.Version != b.Version || a.Sequence != b.Sequence || a.Expires != b.Expires ||
        a.Mirrors != b.Mirrors || a.Files.size() != b.Files.size())
        return false;
    for (std::size_t i = 0; i < a.Files.size(); ++i)
        if (a.Files[i].Name != b.Files[i].Name || a.Files[i].Size != b.Files[i].Size ||
            a.Files[i].Sha256 != b.Files[i].Sha256)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const release::TManifestResult result = release::ParseReleaseManifest(bytes, "Quorvane");
    const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    if (!result.Release) {
        if (result.Reason.empty() || result.Line > lines) std::abort();
        return 0;
    }
    const release::TRelease& release = *result.Release;
    if (release.Sequence < 1 || release.Sequence > INT64_MAX || release.Version.empty() ||
        release.Version.size() > 32 || release.Mirrors.size() > release::kMaxMirrors || release.Files.size() < 4 ||
        release.Files.size() > release::kMaxFiles)
        std::abort();
    for (const release::TReleaseFile& file : release.Files)
        if (file.Size > release::kMaxFileSize || !release::IsFileName(file.Name)) std::abort();
    if (release.SequenceLine < 2 || release.SequenceLine > lines || release.ExpiresLine < 2 ||
        release.ExpiresLine > lines || release.SequenceLine == release.ExpiresLine)
        std::abort();
    const std::vector<const release::TReleaseFile*> ordered = release::FilesInOrder(release, install::kDownloadOrder);
    const std::set<const release::TReleaseFile*> distinct(ordered.begin(), ordered.end());
    if (ordered.size() != release.Files.size() || distinct.size() != ordered.size() ||
        ordered[0]->Name.size() != std::string_view(install::kProductExe).size())
        std::abort();
    // The expires text is taken back from the input: the parser keeps only its value.
    const std::size_t at = bytes.find("\nexpires ");
    if (at == std::string_view::npos) std::abort();
    const release::TManifestResult again =
        release::ParseReleaseManifest(Write(release, bytes.substr(at + 9, 20)), "Quorvane");
    if (!again.Release || !Same(release, *again.Release)) std::abort();
    return 0;
}
