// The URL split and request header details that the case files do not reach on their own.
#include <gtest/gtest.h>

#include "net/http/HttpErrors.h"
#include "net/http/HttpRequestText.h"

namespace {

TRequestTarget Parse(const std::string& url, const std::string& host = {}, int port = 0) {
    TRequestTarget target{url, host, port, {}};
    ParseURL(target);
    return target;
}

// Each URL with the host and port the target held before, and what it holds after.
TEST(ParseURL, SplitsHostPortAndPath) {
    const std::string longPath = "/" + std::string(255, 'a');
    const struct {
        std::string url, hostBefore;
        int portBefore;
        std::string host;
        int port;
        std::string path, currentUrl;
        bool https;
    } rows[] = {
        {"http://www.quorvane.com:8080/download/lite/quorvane.exe", "", 0, "www.quorvane.com", 8080,
         "/download/lite/quorvane.exe", "http://www.quorvane.com:8080/download/lite/quorvane.exe", false},
        // The port's text ends at the next colon, and takes a sign.
        {"http://h:81:99/x", "", 0, "h", 81, "/x", "http://h:81:99/x", false},
        {"http://h:+81/x", "", 0, "h", 81, "/x", "http://h:+81/x", false},
        // A host without scheme or path keeps the previous port.
        {"example.org", "old", 8000, "example.org", 8000, "/", "example.org/", false},
        // https in any case goes over TLS to port 443, unless it names one.
        {"https://h/", "old", 8080, "h", 443, "/", "https://h/", true},
        {"HTTPS://h/", "old", 8080, "h", 443, "/", "HTTPS://h/", true},
        {"hTtPs://h", "old", 8080, "h", 443, "/", "hTtPs://h/", true},
        {"https://h:8443/x", "", 0, "h", 8443, "/x", "https://h:8443/x", true},
        {"http://h:65535/", "", 0, "h", 65535, "/", "http://h:65535/", false},
        // The path is cut to 256 characters.
        {"h" + longPath, "", 0, "h", 80, longPath, "h" + longPath, false},
        {"h" + longPath + "bc", "", 0, "h", 80, longPath, "h" + longPath + "bc", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.url);
        const auto t = Parse(row.url, row.hostBefore, row.portBefore);
        EXPECT_EQ(t.Host, row.host);
        EXPECT_EQ(t.Port, row.port);
        EXPECT_EQ(t.RequestPath, row.path);
        EXPECT_EQ(t.CurrentURL, row.currentUrl);
        EXPECT_EQ(t.Https, row.https);
    }
}

TEST(ParseURL, FailureLeavesTheTargetUnchanged) {
    TRequestTarget target{"http://h:port/x", "before", 1234, "/before"};
    EXPECT_THROW(ParseURL(target), EConvertError);
    EXPECT_EQ(target.Host, "before");
    EXPECT_EQ(target.Port, 1234);
    EXPECT_EQ(target.RequestPath, "/before");
    for (const char* refused : {"http://h:0/", "http://h:-1/", "http://h:65536/", "http://h:99999999999999999999/"})
        EXPECT_THROW(Parse(refused), EConvertError) << refused;
}

TEST(ParseURL, AUrlWithoutSchemeKeepsThePreviousOne) {
    // A redirect to a path (or to a host without scheme) stays on the connection's scheme; an
    // explicit http:// leaves TLS.
    for (const bool before : {false, true}) {
        TRequestTarget target{"/next", "h", 8443, {}, before};
        ParseURL(target);
        EXPECT_EQ(target.Https, before);
        EXPECT_EQ(target.Port, 8443);
    }
    TRequestTarget target{"http://h/x", "h", 443, {}, true};
    ParseURL(target);
    EXPECT_FALSE(target.Https);
    EXPECT_EQ(target.Port, 80);
    TRequestTarget failing{"https://h:port/x", "h", 80, {}, false};
    EXPECT_THROW(ParseURL(failing), EConvertError);
    EXPECT_FALSE(failing.Https) << "a refused URL changes nothing";
}

TRequestInput GetInput() {
    TRequestInput in;
    in.RequestPath = std::string("/p");
    in.CurrentURL = std::string("http://h/p");
    in.Host = std::string("h");
    return in;
}

TEST(BuildRequestHeader, EmptiesTheListFirst) {
    THeaderList header;
    header.Add("stale: line");
    BuildRequestHeader(GetInput(), header);
    EXPECT_EQ(header.Count(), 5);
    EXPECT_EQ(header[0], "GET /p HTTP/1.0");
    EXPECT_EQ(header.IndexOfField("stale"), -1);
}

TEST(BuildRequestHeader, AnEmptyHostLeavesNoHostLineEvenUnderAProxy) {
    auto in = GetInput();
    in.Host.clear();
    THeaderList header;
    BuildRequestHeader(in, header);
    EXPECT_EQ(header.IndexOfField("Host"), -1);
    in.Proxy = "proxy";
    BuildRequestHeader(in, header);
    EXPECT_EQ(header.IndexOfField("Host"), -1);
    EXPECT_EQ(header[1], "Proxy-Connection: Keep-Alive");
}

TEST(BuildRequestHeader, ContentLengthCarriesTheFullDataLength) {
    auto in = GetInput();
    in.RequestKind = rkPut;
    in.DataLength = 5'000'000'000ULL;  // a data file over 4 GiB
    THeaderList header;
    BuildRequestHeader(in, header);
    EXPECT_EQ(header[header.Count() - 1], "Content-Length: 5000000000");
}

TEST(BuildRequestHeader, RefusesLineBreaksAndZeroBytesInAnyLine) {
    THeaderList header;
    for (auto poison : {std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3)}) {
        auto in = GetInput();
        in.HeaderInfo.Cookie = poison;
        EXPECT_THROW(BuildRequestHeader(in, header), EHttpError);
        EXPECT_EQ(header.Count(), 0);
        in = GetInput();
        in.Host = poison;
        EXPECT_THROW(BuildRequestHeader(in, header), EHttpError);
    }
}

TEST(RequestKinds, WordsAndDataFollowTheKindTable) {
    EXPECT_STREQ(RequestWord(rkGet), "GET ");
    EXPECT_STREQ(RequestWord(rkUnlink), "UNLINK ");
    EXPECT_STREQ(RequestWord(rkNoVerb), "");
    EXPECT_STREQ(RequestWord(static_cast<CmdType>(200)), "");
    int with_length = 0;
    for (int k = 0; k < kCmdTypeCount; ++k) {
        const auto kind = static_cast<CmdType>(k);
        with_length += HasContentLength(kind);
        // Nothing announces a length it does not send, nor sends unannounced data.
        EXPECT_EQ(SendsData(kind), HasContentLength(kind)) << k;
    }
    EXPECT_EQ(with_length, 7);
}

TEST(PostData, EncodesOnlyTextData) {
    EXPECT_EQ(PostData("a b", true, false), "a+b");
    EXPECT_EQ(PostData("a b", false, false), "a b");
    EXPECT_EQ(PostData("C:\\data file.txt", true, true), "C:\\data file.txt");
}

TEST(BasicCredentials, IsOneUnbrokenBase64Text) {
    EXPECT_EQ(BasicCredentials("Aladdin", "open sesame"), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    const std::string value = BasicCredentials(std::string(60, 'u'), std::string(60, 'p'));
    EXPECT_EQ(value.size(), 6u + 164u);
    EXPECT_EQ(value.find_first_of("\r\n"), std::string::npos);
}

}  // namespace
