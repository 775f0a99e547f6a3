#pragma once
// Form-encoding (application/x-www-form-urlencoded) of text, used for the data of a POST request:
// letters and digits pass, a space becomes "+", every other byte becomes "%" and two upper-case
// hexadecimal digits ("a b/c" -> "a+b%2Fc").
#include <functional>
#include <string>

class TUrlEncoder;

// sender, operation name, error message.
using TOnErrorEvent =
    std::function<void(TUrlEncoder& sender, const std::string& operation, const std::string& message)>;

class TUrlEncoder {
public:
    std::string InputString;
    TOnErrorEvent OnError;

    // The form-encoding of InputString, computed on each call. Never throws: when encoding fails
    // (out of memory), OnError gets "Error during encode" and the input comes back unchanged.
    std::string Encode();

    // The encoding itself, for callers that need no event.
    static std::string FormEncode(const std::string& text);
};
