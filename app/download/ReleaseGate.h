#pragma once
// The installer's first step against the download server: the release manifest and its signature,
// held in memory within their bounds, decided on (ReleaseCheck.h) with the embedded keys, the
// sequence this machine recorded and the system clock. Only an accepted release lets the download
// of files begin.
#include <cstddef>
#include <functional>
#include <string>

#include "app/download/DownloadErrors.h"
#include "app/release/ReleaseManifest.h"

namespace download {

inline constexpr char kManifestName[] = "release.manifest";
inline constexpr char kSignatureName[] = "release.manifest.sig";

// A refused release: its text is the box's, in the wizard's language. The exit code is the one of
// a file that is not the expected one (3): the server offers something this installer must not install.
class ReleaseRefusedError : public DamagedDownloadError {
public:
    using DamagedDownloadError::DamagedDownloadError;
};

// Fetches `name` from the download base and returns its body. A successful reply longer than
// `bound` raises BodyPastBound (BoundedBody.h), before more than about a receive past it is read; a
// failure to download raises what the download raises for a file (exit code 2).
using TBoundedFetch = std::function<std::string(const std::string& name, std::size_t bound)>;

// The manifest, then its signature, through `fetch`; the decision, logged. Returns the accepted
// release or raises ReleaseRefusedError.
release::TRelease AcceptServedRelease(const TBoundedFetch& fetch);

}  // namespace download
