#pragma once
// The engine's Get with the download sequence's check: the body's size and SHA-256 computed while
// it arrives and compared with the release manifest's, as the wizard checks each file. Both download
// benchmarks time it against the bare Get.
#include <string>

#include "app/verify/DownloadCheck.h"
#include "net/http/HttpClient.h"

namespace benchpin {

inline void CheckedGet(net::THttpClient& client, const std::string& url, const release::TReleaseFile& expected) {
    verify::TDownloadCheck check(client, expected);
    {
        verify::TDownloadCheck::Attached attached(client, check);
        client.Get(url);
    }
    check.Verify();
}

}  // namespace benchpin
