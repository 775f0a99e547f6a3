// The URL split and the request header over arbitrary URLs and previous host/port values.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/http/HttpErrors.h"
#include "net/http/HttpRequestText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    // First bytes: the previous port, a proxy flag; the rest is the URL.
    const int previousPort = data[0] | (data[1] << 8);
    const bool proxy = data[2] & 1;
    TRequestTarget target{std::string(reinterpret_cast<const char*>(data + 3), size - 3), "prev", previousPort, {}};
    const TRequestTarget before = target;
    try {
        ParseURL(target);
    } catch (const EHttpError&) {
        if (target.CurrentURL != before.CurrentURL || target.Port != before.Port) std::abort();
        return 0;
    } catch (const EConvertError&) {
        if (target.Host != before.Host || target.Port != before.Port) std::abort();
        return 0;
    }
    if (target.RequestPath.empty() || target.RequestPath.size() > kMaxRequestPath) std::abort();
    if (target.Port < 1 || target.Port > 65535) std::abort();
    if (target.Host.empty()) std::abort();  // the previous host is kept at worst

    TRequestInput in;
    in.RequestKind = static_cast<CmdType>(data[2] % kCmdTypeCount);
    in.RequestPath = target.RequestPath;
    in.CurrentURL = target.CurrentURL;
    in.Host = target.Host;
    in.Proxy = proxy ? "proxy" : "";
    THeaderList header;
    try {
        BuildRequestHeader(in, header);
    } catch (const EHttpError&) {
        if (header.Count() != 0) std::abort();
        return 0;
    }
    // Every line is one line: the request cannot be split by what the URL holds.
    const std::string text = header.Text();
    std::size_t breaks = 0;
    for (const char c : text) breaks += c == '\n';
    if (breaks != static_cast<std::size_t>(header.Count()) || text.find('\r') == std::string::npos) std::abort();
    if (header.IndexOfField("Host") < 0) std::abort();
    return 0;
}
