#pragma once
// The engine's Get with the download sequence's check: the body's size and SHA-256 computed while
// it arrives and compared with the pinned ones, as the wizard checks each file. Both download
// benchmarks time it against the bare Get.
#include <string>

#include "app/verify/DownloadCheck.h"
#include "net/http/HttpClient.h"

namespace benchpin {

inline void CheckedGet(net::THttpClient& client, const std::string& url, const verify::TPinnedFile& pinned) {
    verify::TDownloadCheck check(client, pinned);
    {
        verify::TDownloadCheck::Attached attached(client, check);
        client.Get(url);
    }
    check.Verify();
}

}  // namespace benchpin
