#pragma once
// Encodes the bytes of one stream as text lines into another, with either the MIME Base64 alphabet
// (uuMime) or the uuencode alphabet (uuCode). Up to 45 input bytes per line, each line ending in
// CR LF; uuCode lines start with their length character and the output ends with a "`" line.
// Only the body lines are written: no "begin"/"end" lines of the uuencode file format.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

enum UUMethods : std::uint8_t { uuMime = 0, uuCode = 1 };

class TStreamEncoder {
public:
    using TNotifyEvent = std::function<void(TStreamEncoder& sender)>;

    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;  // also after a failure
    // Declared for a decoder, which this system does not have: never fired.
    TNotifyEvent OnBeginDecode;
    TNotifyEvent OnEndDecode;

    // Not owned: the caller creates, assigns and frees both.
    std::istream* InputStream = nullptr;
    std::iostream* OutputStream = nullptr;
    UUMethods Method = uuMime;

    // Reads InputStream from its start, writes the encoded lines to OutputStream and leaves
    // OutputStream positioned at its start. Stream errors (streams with exceptions enabled)
    // reach the caller after OnEndEncode; a missing stream raises std::invalid_argument.
    void Encode();

    // The encoded lines of bytes, CR LF included, through a pair of memory streams.
    static std::string EncodeString(const std::string& bytes, UUMethods method);
    // Base64 of text as one unbroken string (the lines joined without their CR LF).
    static std::string Base64(const std::string& text);

private:
    void EncodeLines();
    void EncodeLine(const unsigned char* bytes, std::size_t n, std::string& line) const;

    char alphabet_[64] = {};
};
