#include "net/http/HttpRequestText.h"

#include <charconv>

#include "net/http/HttpErrors.h"
#include "net/http/Base64Text.h"
#include "net/http/UrlEncoder.h"

namespace {

constexpr const char* kRequestWords[kCmdTypeCount] = {"GET ",    "OPTIONS ", "HEAD ", "POST ",   "PUT ",
                                                      "PATCH ",  "COPY ",    "MOVE ", "DELETE ", "LINK ",
                                                      "UNLINK ", "TRACE ",   ""};

// Position of the n-th "/" (1-based) of text, npos when there are fewer.
std::size_t NthSlash(const std::string& text, int n) {
    std::size_t at = std::string::npos;
    for (int i = 0; i < n; ++i) {
        at = text.find('/', at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos) return at;
    }
    return at;
}

std::string PathOf(const std::string& url) {
    std::size_t start = std::string::npos;
    if (url.find("//") != std::string::npos) start = NthSlash(url, 3);
    else start = url.find('/');
    if (start == std::string::npos) return {};
    return url.substr(start, kMaxRequestPath);
}

std::string HostPartOf(const std::string& url) {
    if (url.find("//") != std::string::npos) {
        const std::size_t second = NthSlash(url, 2);
        const std::size_t third = NthSlash(url, 3);
        return url.substr(second + 1, third == std::string::npos ? std::string::npos : third - second - 1);
    }
    if (url.front() == '/') return {};
    return url.substr(0, url.find('/'));
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The port for the scheme before the first ":", and whether it is https; a URL without a
// scheme keeps the previous port and scheme.
int SchemePort(const std::string& url, int port, bool& https) {
    const std::size_t colon = url.find(':');
    if (colon == std::string::npos) return port;
    const std::string scheme = LowerAscii(url.substr(0, colon));
    https = scheme == "https";
    if (scheme == "gopher") return 70;
    if (scheme == "ftp") return 21;
    if (https) return 443;
    return 80;
}

// A whole number with an optional sign, nothing else; then a usable TCP port. A port outside
// 1..65535 would be cut to 16 bits by the socket call and reach some other port.
int PortNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    const bool sign_only = first == last || (first != text.data() && *first == '-');
    if (error != std::errc{} || end != last || sign_only)
        throw EConvertError("'" + text + "' is not a valid integer value");
    if (value < 1 || value > 65535) throw EConvertError("'" + text + "' is not a valid port number");
    return static_cast<int>(value);
}

bool HasForbiddenByte(const std::string& line) {
    return line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

const char* RequestWord(CmdType kind) { return kind < kCmdTypeCount ? kRequestWords[kind] : ""; }

bool HasContentLength(CmdType kind) {
    switch (kind) {
    case rkPost:
    case rkPut:
    case rkPatch:
    case rkLink:
    case rkUnlink:
    case rkTrace:
    case rkNoVerb: return true;
    default: return false;
    }
}

bool SendsData(CmdType kind) { return HasContentLength(kind); }

void ParseURL(TRequestTarget& target) {
    const std::string& url = target.CurrentURL;
    if (url.empty()) throw EHttpError("Empty URL");
    int port = target.Port == 0 ? 80 : target.Port;
    const std::string path = PathOf(url);
    bool https = target.Https;
    port = SchemePort(url, port, https);
    std::string host = HostPartOf(url);
    const std::size_t colon = host.find(':');
    if (colon != std::string::npos) {
        const std::size_t next = host.find(':', colon + 1);
        port = PortNumber(host.substr(colon + 1, next == std::string::npos ? next : next - colon - 1));
        host.resize(colon);
    }
    // Every check has passed: only now does the target change.
    target.Port = port;
    target.Https = https;
    if (!host.empty()) target.Host = host;
    if (path.empty()) {
        // assign(1, '/') rather than = "/": GCC 12 warns falsely (-Wrestrict) on the literal.
        target.RequestPath.assign(1, '/');
        target.CurrentURL.push_back('/');
    } else {
        target.RequestPath = path;
    }
}

std::string BasicCredentials(const std::string& userId, const std::string& password) {
    return "Basic " + base64text::Encode(userId + ":" + password);
}

std::string PostData(const std::string& data, bool encodePostData, bool outputFileMode) {
    if (!encodePostData || outputFileMode) return data;
    TUrlEncoder encoder;
    encoder.InputString = data;
    return encoder.Encode();
}

namespace {

void AddRequestLine(const TRequestInput& in, THeaderList& header) {
    if (in.RequestKind == rkNoVerb) return;
    header.Add(std::string(RequestWord(in.RequestKind)) + (in.Proxy.empty() ? in.RequestPath : in.CurrentURL) +
               " HTTP/1.0");
    if (!in.Proxy.empty()) {
        header.Add("Proxy-Connection: Keep-Alive");
        header.Add("Host: " + in.Host);
    }
}

void AddOptionalLines(const TRequestInput& in, THeaderList& header) {
    const THeaderInfo& info = in.HeaderInfo;
    header.SetField("User-Agent", info.LocalMailAddress);
    header.SetField("From", info.LocalProgram);
    header.SetField("Cookie", info.Cookie);
    header.SetField("Referer", info.Referer);
    if (!info.UserId.empty() && !info.Password.empty())
        header.SetField("Authorization", BasicCredentials(info.UserId, info.Password));
    if (!in.Proxy.empty() && !info.ProxyUserId.empty())
        header.SetField("Proxy-Authorization", BasicCredentials(info.ProxyUserId, info.ProxyPassword));
}

void CheckLines(THeaderList& header) {
    for (int i = 0; i < header.Count(); ++i) {
        if (HasForbiddenByte(header[i])) {
            header.Clear();
            throw EHttpError("Invalid character in request header");
        }
    }
}

}  // namespace

void BuildRequestHeader(const TRequestInput& in, THeaderList& header) {
    header.Clear();
    AddRequestLine(in, header);
    // Under a proxy this replaces the Host line just added, so there is one; an empty host
    // removes it.
    header.SetField("Host", in.Host);
    header.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    header.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    AddOptionalLines(in, header);
    header.Add("Content-type: application/x-www-form-urlencoded");
    if (in.RequestKind == rkCopy || in.RequestKind == rkMove) header.Add("URI-header: " + in.ExtraHeaderValue);
    if (in.RequestKind == rkLink || in.RequestKind == rkUnlink) header.Add("Link: " + in.ExtraHeaderValue);
    if (HasContentLength(in.RequestKind)) header.Add("Content-Length: " + std::to_string(in.DataLength));
    CheckLines(header);
}

std::string ConnectRequestText(const std::string& host, int port, const THeaderInfo& info) {
    const std::string authority = host + ":" + std::to_string(port);
    THeaderList header;
    header.Add("CONNECT " + authority + " HTTP/1.0");
    header.Add("Host: " + authority);
    if (!info.ProxyUserId.empty())
        header.Add("Proxy-Authorization: " + BasicCredentials(info.ProxyUserId, info.ProxyPassword));
    CheckLines(header);
    return header.Text() + "\r\n";
}
