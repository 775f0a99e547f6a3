#include "app/download/BoundedBody.h"

namespace download {

TBoundedBody::TBoundedBody(net::THttpClient& client, std::size_t bound) : client_(client), bound_(bound) {
    client_.CaptureObserver = this;
}

TBoundedBody::~TBoundedBody() { client_.CaptureObserver = nullptr; }

void TBoundedBody::CaptureStarts() {
    received_ = 0;
    if (Successful() && client_.HasContentLength && static_cast<std::uint64_t>(client_.BytesExpected) > bound_)
        throw BodyPastBound();
}

void TBoundedBody::Received(const char*, std::size_t size) {
    received_ += size;
    if (Successful() && received_ > bound_) throw BodyPastBound();
}

}  // namespace download
