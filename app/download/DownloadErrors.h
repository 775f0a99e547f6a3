#pragma once
// What the download sequence raises when a file must not be installed; the exit code tells them apart.
#include <stdexcept>
#include <string>

// A file could not be downloaded: the server, the network, an HTTP status or a cut body.
class DownloadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file arrived whole but is not the one expected: its size or SHA-256 differs from the manifest's.
class DamagedDownloadError : public DownloadError {
public:
    using DownloadError::DownloadError;
};

// What the user and the log are told of a file that must not be installed, and why.
inline DamagedDownloadError DamagedFile(const std::string& file, const std::string& why) {
    return DamagedDownloadError(file + " is damaged or not the expected file (" + why + "). Nothing was installed.");
}
