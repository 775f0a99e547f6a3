#pragma once
// app/verify owns the check of what was downloaded: SHA-256 through CNG (Sha256.h) and the check
// of each file, while it arrives, against the size and SHA-256 the release manifest gives (here).
//
// Checks one file of the download against the size and SHA-256 the release manifest gives while
// its body arrives:
// the client's capture hands every block to it before the block is stored. The client shows it
// only the bodies it stores (a 200, or a 206 that continues the part kept); a redirect's or an
// error page's body is dropped unseen. Every refusal raises DamagedDownloadError naming the file.
//
//     TDownloadCheck check(*client, release.Files[0]);
//     TDownloadCheck::Attached attached(*client, check);
//     client->Get(url);      // may raise DamagedDownloadError from inside the capture
//     check.Verify();        // after the reply has been found whole
#include <cstdint>
#include <string>

#include "app/release/ReleaseManifest.h"
#include "app/verify/Sha256.h"
#include "net/http/HttpClient.h"

namespace verify {

class TDownloadCheck final : public net::TCaptureObserver {
public:
    // `expected` outlives the check.
    TDownloadCheck(const net::THttpClient& client, const release::TReleaseFile& expected);

    // A body starts: an announced length other than the expected size is refused before a byte of
    // it is read; otherwise the hash starts again for a 200, written from the file's start, or
    // goes on when a 206 continues the stored part of the file (a resumed attempt).
    void CaptureStarts() override;
    // Hashes the block; a body that grows past the expected size is refused at once, so a server
    // that never stops cannot fill the disk.
    void Received(const char* data, std::size_t size) override;
    // Raises DamagedDownloadError unless the body had the expected size and SHA-256.
    void Verify();

    // Hands the client's captures to the check for one scope, on every exit path.
    class Attached {
    public:
        Attached(net::THttpClient& client, TDownloadCheck& check) : client_(client) {
            client_.CaptureObserver = &check;
        }
        ~Attached() { client_.CaptureObserver = nullptr; }
        Attached(const Attached&) = delete;
        Attached& operator=(const Attached&) = delete;

    private:
        net::THttpClient& client_;
    };

private:
    [[noreturn]] void Refuse(const std::string& detail) const;

    const net::THttpClient& client_;
    const release::TReleaseFile& expected_;
    Sha256 hash_;
    std::uint64_t received_ = 0;
};

}  // namespace verify
