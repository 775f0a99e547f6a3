#pragma once
// The reply side of the HTTP/1.0 client's text work: reading the status line and the header
// lines of a reply (ReadResponseHeader without its socket and file calls).
//
// The engine feeds each line exactly as ReadLn returned it (with its LF, and the CR before it
// when the server sent one; the empty string once the server has closed) and appends the same
// line to its header destination (the Header string or the Header file):
//     TReplyHeaderReader reader;             // BytesExpected 0, no cookie, no location
//     std::string line;
//     do { ReadLn(line); AppendToHeader(line); } while (!reader.TakeLine(line));
//     ReplyCode = reader.Result().ReplyCode;  BytesExpected = reader.Result().BytesExpected; ...
// Result() is up to date after every line: when a ReadLn raises in the middle of the header,
// the status code and values read so far are already there, as the engine's fields would be.
// The reader keeps no copy of the text: the engine stores it once, in its header destination.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TReplyHeader {
    // The status line's code. 0 when the status line is empty (the server closed at once) or
    // its code is not a plain number that fits; "HTTP/1.0 404\r\n" (no reason phrase) is 404.
    int ReplyCode = 0;
    // The last Content-Length line's number; 0 when none, or when it does not fit 63 bits.
    std::int64_t BytesExpected = 0;
    bool HasContentLength = false;  // a Content-Length line with a usable number was read
    std::string ReceivedCookie;     // last "Set-Cookie: " value, at most 256 characters
    std::string RedirectLocation;   // last "Location: " value, at most 256 characters
    // The last "Content-Range: bytes first-last/total" line; all -1 when there was none or it
    // was not of that form. The total is -1 too when the server wrote "*".
    std::int64_t RangeFirst = -1;
    std::int64_t RangeLast = -1;
    std::int64_t RangeTotal = -1;
    // The header ended with its blank line. A server that closes inside the header ends it too,
    // but what it sent is not a reply: a cut header must never pass for a whole one.
    bool HeaderComplete = false;
    std::string HeaderText;  // ReadReplyHeader only: every line, as received
};

inline constexpr std::size_t kMaxHeaderValue = 256;

// A server that sends header lines without end must not make the client grow without end:
// past either bound the reader raises kReplyHeaderTooLarge. Real replies stay far below both
// (a few kilobytes, a few dozen lines); each single line is bounded by ReadLn's own 64 KiB.
inline constexpr std::size_t kMaxReplyHeaderBytes = 1 << 20;
inline constexpr std::size_t kMaxReplyHeaderLines = 4096;
inline constexpr char kReplyHeaderTooLarge[] = "Reply header too large";

// A reply is complete when its header ended with its blank line and, when it announced a
// usable Content-Length, its body has exactly that length: fewer bytes is a cut transfer, more
// is not what the server said it sent.
bool IsCompleteReply(const TReplyHeader& header, std::int64_t bodyBytes);

class TReplyHeaderReader {
public:
    // Takes the next line; the first one is the status line. Returns true once the header has
    // ended: this line was a lone LF, CR LF, or empty (closed connection). Lines fed after the
    // end are ignored. A header name is recognised only at the start of the line, in any letter
    // case, with one space after its colon ("Location:x" is not a Location line). Raises
    // EHttpError(kReplyHeaderTooLarge) for the line that passes a bound.
    bool TakeLine(std::string_view line);

    bool Done() const { return done_; }
    const TReplyHeader& Result() const { return result_; }

private:
    void TakeStatusLine(std::string_view line);
    void TakeHeaderLine(std::string_view line);

    TReplyHeader result_;
    std::size_t bytes_ = 0, lines_ = 0;
    bool statusRead_ = false;
    bool done_ = false;
};

// Splits bytes into lines the way ReadLn returns them: each up to and including its LF. Bytes
// after the last LF are an unfinished line, which ReadLn drops when the server closes: they are
// returned in `rest` and not as a line.
std::vector<std::string> SplitReplyLines(std::string_view bytes, std::string* rest = nullptr);

// Reads a whole reply as the engine would: feeds its lines until the header ends (a closed
// connection counts as an empty line). bodyOffset receives where the body starts.
TReplyHeader ReadReplyHeader(std::string_view reply, std::size_t* bodyOffset = nullptr);

// Whether a reply to "Range: bytes=offset-" carries exactly the rest of the file from offset:
// a 206 whose Content-Range starts there and runs to the end of a known total, with a
// Content-Length, if any, that agrees. Anything else must be taken as the whole file again.
bool ContinuesAt(const TReplyHeader& reply, std::int64_t offset);

// Where a body goes when it is meant for a file (the client's InputFileMode): only the file's
// own bytes ever reach it. A 200 is the file from its first byte and replaces what the file
// held; a 206 that continues the part kept (ContinuesAt resumeFrom) is appended to it; any other
// body (a redirect's, an error page, a 206 of another part, a reply without a status) is not
// the file: it is read up to kMaxDroppedBody and dropped, and the file stays as it was.
enum class TFileBody { Replace, Append, Drop };
TFileBody FileBodyUse(const TReplyHeader& reply, std::int64_t resumeFrom);
// A server sending an endless error page must neither fill the disk nor hold the client: once
// this many bytes have come a dropped body ends its pass, and the connection is closed. The
// bound is tested before each receive, so the last one may bring up to 64 KiB more: at most
// 128 KiB are read, into memory, and nothing onto the disk.
inline constexpr std::int64_t kMaxDroppedBody = 64 << 10;

// --- What a reply code means for the pass (ExecuteRequest's judgement) --------------------

inline bool IsSuccessCode(int code) { return code <= 298; }                  // OnSuccess (0 included)
inline bool IsFailureCode(int code) { return code >= 400; }                  // OnFailure
inline bool TakesLocation(int code) { return code >= 300 && code <= 302; }   // CurrentURL := Location
inline bool IsRedirectCode(int code) { return code >= 300 && code <= 398; }  // cookie, OnRedirect
inline bool RunsAnotherPass(int code) { return code >= 299 && code <= 399; }
// A server could keep the client requesting for ever: past this many redirect passes the
// request fails with kTooManyRedirects.
inline constexpr int kMaxRedirects = 20;
inline constexpr char kTooManyRedirects[] = "Too many redirects";

// The URL of the next pass after a redirect: a Location without any "/" (a bare file name, or
// nothing at all) is taken on the current host, in the current scheme: "http://" (or
// "https://") + host + "/" + url. A port other than the scheme's own (80, 443) is written too
// ("http://host:8080/name"): the scheme of the completed URL would otherwise send the next pass
// to its default port, away from the server that answered.
std::string CompleteRedirectURL(const std::string& url, const std::string& host, int port, bool https = false);
