#include "app/verify/DownloadCheck.h"

#include "app/download/DownloadErrors.h"

namespace verify {

TDownloadCheck::TDownloadCheck(const net::THttpClient& client, const release::TReleaseFile& expected)
    : client_(client), expected_(expected) {}

void TDownloadCheck::Refuse(const std::string& detail) const { throw DamagedFile(expected_.Name, detail); }

void TDownloadCheck::CaptureStarts() {
    const std::uint64_t offset = client_.BodyOffset > 0 ? static_cast<std::uint64_t>(client_.BodyOffset) : 0;
    if (client_.HasContentLength && offset + static_cast<std::uint64_t>(client_.BytesExpected) != expected_.Size)
        Refuse("the server announces " + std::to_string(offset + client_.BytesExpected) + " bytes, expected " +
               std::to_string(expected_.Size));
    // Only a 200 starts the file, and the hash, again; a 206 continues the hash of what is kept.
    if (client_.ReplyCode == 200) {
        hash_.Reset();
        received_ = 0;
        return;
    }
    if (offset == 0 || received_ != offset) Refuse("the hashed part differs from the stored one");
}

void TDownloadCheck::Received(const char* data, std::size_t size) {
    received_ += size;
    if (received_ > expected_.Size) Refuse("more than the expected " + std::to_string(expected_.Size) + " bytes");
    hash_.Update(data, size);
}

void TDownloadCheck::Verify() {
    if (received_ != expected_.Size)
        Refuse(std::to_string(received_) + " bytes received, expected " + std::to_string(expected_.Size));
    if (hash_.Finish() != expected_.Sha256) Refuse("its SHA-256 differs from the expected one");
}

}  // namespace verify
