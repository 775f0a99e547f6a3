#pragma once
// The request side of the HTTP/1.0 client's text work: the URL split (ParseURL) and the request
// header (BuildRequestHeader). Plain strings in, plain results out: THttpClient copies its
// fields into these structures, calls the function and copies the results back, then adds the
// socket calls (Connect, Write of RequestHeader.Text(), Writeln(""), the data).
//
// Typical use in the engine, one pass:
//     TRequestTarget target{CurrentURL, Host, Port, RequestPath, Https};
//     ParseURL(target);                    // may throw; nothing of the client changed yet
//     CurrentURL = target.CurrentURL; Host = target.Host; Port = target.Port;
//     RequestPath = target.RequestPath; Https = target.Https;
//     TRequestInput in{RequestKind, RequestPath, CurrentURL, Host, Proxy, *HeaderInfo,
//                      ExtraHeaderValue, dataLength};
//     BuildRequestHeader(in, *RequestHeader);
//     ... Write(RequestHeader->Text()); Writeln(""); if (SendsData(RequestKind)) send SendData
#include <cstdint>
#include <string>

#include "net/http/HeaderList.h"

// The request kinds; the value is what OnSuccess and OnFailure receive.
enum CmdType : std::uint8_t {
    rkGet = 0,
    rkOptions,
    rkHead,
    rkPost,
    rkPut,
    rkPatch,
    rkCopy,
    rkMove,
    rkDelete,
    rkLink,
    rkUnlink,
    rkTrace,
    rkNoVerb
};
inline constexpr int kCmdTypeCount = 13;

// Optional request header values; an empty string is not sent.
struct THeaderInfo {
    std::string LocalMailAddress;  // sent as "User-Agent" (sic: this pairing is the protocol's)
    std::string LocalProgram;      // sent as "From"
    std::string Cookie;
    std::string Referer;
    std::string UserId;  // with Password: "Authorization: Basic ..."
    std::string Password;
    // For the proxy only: "Proxy-Authorization: Basic ..." goes out when a proxy is used and
    // ProxyUserId is set, never to a server reached directly.
    std::string ProxyUserId;
    std::string ProxyPassword;
};

// "GET ", "OPTIONS ", ...; empty for rkNoVerb (and for a value outside the table).
const char* RequestWord(CmdType kind);
// Kinds whose header carries "Content-Length: " (Post, Put, Patch, Link, Unlink, Trace, NoVerb).
bool HasContentLength(CmdType kind);
// Kinds whose data follows the header: the Content-Length kinds. Link and Unlink send their
// "Send.dat" data too, so that no request announces bytes it never sends.
bool SendsData(CmdType kind);

// --- URL split ---------------------------------------------------------------------------

// The fields of the client that the URL split reads and writes.
struct TRequestTarget {
    std::string CurrentURL;   // in: the URL; out: with "/" appended when it had no path
    std::string Host;         // in: the previous host; out: the URL's host (kept for a bare path)
    int Port = 0;             // in: the previous port (0 = none yet); out: the port to connect to
    std::string RequestPath;  // out: the path for the request line, at most 256 characters
    bool Https = false;       // in: the previous scheme's; out: whether the request goes over TLS
};

inline constexpr std::size_t kMaxRequestPath = 256;

// Splits target.CurrentURL and fills Host, Port and RequestPath:
//   "http://host:8080/a/b" -> host, 8080, "/a/b";   "http://host" -> host, 80, "/" (URL += "/");
//   "host:81/x" -> host, 81, "/x";   "host/x" -> host, the previous port (80 when none), "/x";
//   "/x" -> previous host and port, "/x";   "ftp://host/" -> port 21, "gopher:..." -> 70;
//   "https://host/x" (any letter case) -> host, 443, "/x", Https;
//   any other scheme -> 80 (the request is HTTP in every case). Https is set by "https:",
//   cleared by any other scheme, and kept by a URL without one.
// Throws, leaving target unchanged:
//   EHttpError "Empty URL";
//   EConvertError "'<text>' is not a valid integer value" for a port that is not a number,
//   EConvertError "'<text>' is not a valid port number" for a number outside 1..65535.
void ParseURL(TRequestTarget& target);

// --- Request header ----------------------------------------------------------------------

struct TRequestInput {
    CmdType RequestKind = rkGet;
    std::string RequestPath;  // from ParseURL
    std::string CurrentURL;   // from ParseURL; sent whole in the request line under a proxy
    std::string Host;         // from ParseURL; empty: no Host line
    std::string Proxy;        // proxy host; empty: no proxy
    THeaderInfo HeaderInfo;
    std::string ExtraHeaderValue;  // "URI-header: " (Copy, Move) or "Link: " (Link, Unlink)
    // The data length for the Content-Length line: with OutputFileMode the size of the file
    // named by SendData (the engine opens it and raises "Cannot open file %s" itself),
    // otherwise the number of bytes of SendData. Ignored for kinds without the line.
    std::uint64_t DataLength = 0;
};

// Empties header and fills it with the request line and header lines, one per entry, in the
// protocol's order: request line, (proxy: "Proxy-Connection: Keep-Alive"), Host, the two
// Accept lines, User-Agent, From, Cookie, Referer, Authorization, Content-type, URI-header or
// Link, Content-Length. The download GET gives exactly:
//     GET /download/lite/quorvane.exe HTTP/1.0 | Host: h | Accept: ... | Accept: ... |
//     Content-type: application/x-www-form-urlencoded
// Throws EHttpError "Invalid character in request header" when a line would hold CR, LF or
// NUL (a URL, Location or cookie carrying them would otherwise inject header lines); header is
// then left empty.
void BuildRequestHeader(const TRequestInput& input, THeaderList& header);

// The request that asks a proxy for a tunnel to host:port, blank line included:
//     CONNECT host:port HTTP/1.0 | Host: host:port | (Proxy-Authorization: Basic ...) |
// Throws EHttpError "Invalid character in request header" as BuildRequestHeader does.
std::string ConnectRequestText(const std::string& host, int port, const THeaderInfo& info);

// "Basic " + Base64(user + ":" + password), unbroken whatever the length.
std::string BasicCredentials(const std::string& userId, const std::string& password);

// The data a Post stores in SendData: form-encoded when encodePostData is set and
// outputFileMode is not (the data is then text, not a file name).
std::string PostData(const std::string& data, bool encodePostData, bool outputFileMode);
