#pragma once
// Exceptions raised by the HTTP client's text side. Each carries only its message, in English,
// so the engine and the wizard can show it as it stands.
#include <stdexcept>
#include <string>

// A request that cannot be made: "Empty URL", "HTTP Secure Socket is not supported", ...
class EHttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A proxy answered 407: it wants a user name and password, or refused the ones given. Apart from
// the other refusals because a user can mend it: the wizard asks and tries again.
class EProxyAuthError : public EHttpError {
public:
    using EHttpError::EHttpError;
};

// A reply body kept in memory (no InputFileMode) larger than the client holds.
inline constexpr char kBodyTooLarge[] = "Reply body too large to be held in memory";

// A text that should hold a whole number but does not: "'%s' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A string-list operation the list refuses (replacing an entry of a sorted list, a bad index).
class EStringListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
