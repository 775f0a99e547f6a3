#pragma once
// Exception classes of the socket layer, their kinds, and the fixed table of socket error texts.
#include <stdexcept>
#include <string>

namespace net {

// What went wrong, for the code that decides on a failure (another attempt, the exit code, the
// proxy named in the message); the message stays what the user and the log are shown.
enum class SockErrorKind {
    SocketCall,        // a socket call failed or the peer reset the connection: WinsockCode says which
    HostNotFound,      // the name did not resolve, or gave no address
    LookupTimedOut,    // the name's lookup got no answer in time
    LookupCanceled,    // a cancel ended the name's lookup
    ConnectFailed,     // refused or unreachable
    ConnectTimedOut,   // the connection got no answer in time
    ConnectCanceled,   // a cancel ended the connection or the wait for one
    ProxyUnreachable,  // the proxy could not be reached: not found, refused or silent
    Aborted,           // a transfer ended by a cancel or a time-out (EAbortError)
    Secure,            // the TLS handshake, the server's certificate or a record failed
    Refused,           // the component refuses the operation: already connected, a line too long
};

// Every failure of the socket layer: its message, its kind, and the Winsock code behind it (0
// when no socket call reported one).
class ESockError : public std::runtime_error {
public:
    ESockError(SockErrorKind kind, const std::string& message, int winsockCode = 0)
        : std::runtime_error(message), kind_(kind), winsockCode_(winsockCode) {}
    SockErrorKind Kind() const noexcept { return kind_; }
    int WinsockCode() const noexcept { return winsockCode_; }

private:
    SockErrorKind kind_;
    int winsockCode_;
};

// A transfer that ended because a cancel (or a time-out) was requested.
class EAbortError : public ESockError {
public:
    explicit EAbortError(const std::string& message) : ESockError(SockErrorKind::Aborted, message) {}
};

// A value that does not fit where it has to go (negative time-out, over-long text...).
class ERangeError : public std::runtime_error {
public:
    ERangeError() : std::runtime_error("Range check error") {}
};

// "10061:Connection refused" for a known number, "Unknown Error No. 123" otherwise.
std::string SocketErrorText(int number);

}  // namespace net
