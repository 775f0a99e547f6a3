#pragma once
// Holds a body in memory within a bound: the release manifest and its signature are read whole
// before anything else, from a server not yet trusted. A successful reply that announces more
// than `bound` bytes, or sends more, ends the request with BodyPastBound at once; the engine's own
// bound on a text body keeps an error page's in check.
#include <cstddef>
#include <stdexcept>

#include "net/http/HttpClient.h"

namespace download {

class BodyPastBound : public std::runtime_error {
public:
    BodyPastBound() : std::runtime_error("the body is larger than expected") {}
};

class TBoundedBody final : public net::TCaptureObserver {
public:
    // Observes the client's captures until it is destroyed.
    TBoundedBody(net::THttpClient& client, std::size_t bound);
    ~TBoundedBody();
    TBoundedBody(const TBoundedBody&) = delete;
    TBoundedBody& operator=(const TBoundedBody&) = delete;

    void CaptureStarts() override;
    void Received(const char* data, std::size_t size) override;

private:
    bool Successful() const { return client_.ReplyCode >= 200 && client_.ReplyCode <= 299; }

    net::THttpClient& client_;
    std::size_t bound_;
    std::size_t received_ = 0;
};

}  // namespace download
