#pragma once
// Exception classes of the socket layer and the fixed table of socket error texts.
#include <stdexcept>
#include <string>

namespace net {

// Every failure of the socket layer; carries only its message.
class ESockError : public std::runtime_error {
public:
    explicit ESockError(const std::string& message) : std::runtime_error(message) {}
};

// A transfer that ended because a cancel (or a time-out) was requested.
class EAbortError : public ESockError {
public:
    explicit EAbortError(const std::string& message) : ESockError(message) {}
};

// A value that does not fit where it has to go (negative time-out, over-long text...).
class ERangeError : public std::runtime_error {
public:
    ERangeError() : std::runtime_error("Range check error") {}
};

// "10061:Connection refused" for a known number, "Unknown Error No. 123" otherwise.
std::string SocketErrorText(int number);

}  // namespace net
