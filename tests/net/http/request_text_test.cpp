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

TEST(ParseURL, SplitsHostPortAndPath) {
    const auto t = Parse("http://www.quorvane.com:8080/download/lite/quorvane.exe");
    EXPECT_EQ(t.Host, "www.quorvane.com");
    EXPECT_EQ(t.Port, 8080);
    EXPECT_EQ(t.RequestPath, "/download/lite/quorvane.exe");
    EXPECT_EQ(t.CurrentURL, "http://www.quorvane.com:8080/download/lite/quorvane.exe");
}

TEST(ParseURL, PortTextEndsAtTheNextColon) {
    EXPECT_EQ(Parse("http://h:81:99/x").Port, 81);
    EXPECT_EQ(Parse("http://h:81:99/x").Host, "h");
    EXPECT_EQ(Parse("http://h:+81/x").Port, 81);
}

TEST(ParseURL, SchemeLessHostWithoutPathKeepsThePreviousPort) {
    const auto t = Parse("example.org", "old", 8000);
    EXPECT_EQ(t.Host, "example.org");
    EXPECT_EQ(t.Port, 8000);
    EXPECT_EQ(t.CurrentURL, "example.org/");
}

TEST(ParseURL, FailureLeavesTheTargetUnchanged) {
    TRequestTarget target{"http://h:port/x", "before", 1234, "/before"};
    EXPECT_THROW(ParseURL(target), EConvertError);
    EXPECT_EQ(target.Host, "before");
    EXPECT_EQ(target.Port, 1234);
    EXPECT_EQ(target.RequestPath, "/before");
    for (const char* refused : {"http://h:0/", "http://h:-1/", "http://h:65536/", "http://h:99999999999999999999/"})
        EXPECT_THROW(Parse(refused), EConvertError) << refused;
    EXPECT_EQ(Parse("http://h:65535/").Port, 65535);
}

TEST(ParseURL, HttpsInAnyCaseGoesOverTlsToPort443) {
    for (const char* url : {"https://h/", "HTTPS://h/", "hTtPs://h"}) {
        const auto t = Parse(url, "old", 8080);
        EXPECT_TRUE(t.Https) << url;
        EXPECT_EQ(t.Port, 443) << url;
        EXPECT_EQ(t.Host, "h") << url;
    }
    EXPECT_EQ(Parse("https://h:8443/x").Port, 8443);
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

TEST(ParseURL, CutsThePathTo256Characters) {
    const std::string path = "/" + std::string(255, 'a');
    EXPECT_EQ(Parse("h" + path).RequestPath, path);
    EXPECT_EQ(Parse("h" + path + "bc").RequestPath, path);
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
