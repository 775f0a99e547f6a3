#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "net/http/StreamEncoder.h"
#include "net/http/UrlEncoder.h"
#include "tests/net/http/CodecOracle.h"

namespace {

std::string FormEncode(const std::string& text) {
    TUrlEncoder encoder;
    encoder.InputString = text;
    return encoder.Encode();
}

TEST(UrlEncoder, EncodesEveryByteThatIsNotALetterOrDigit) {
    EXPECT_EQ(FormEncode("a b/c"), "a+b%2Fc");
    EXPECT_EQ(FormEncode("~"), "%7E");
    EXPECT_EQ(FormEncode("AZaz09"), "AZaz09");
    EXPECT_EQ(FormEncode(""), "");
    EXPECT_EQ(FormEncode(std::string("\0\x01\x7F\x80\xE9\xFF", 6)), "%00%01%7F%80%E9%FF");
    EXPECT_EQ(FormEncode("+%=&"), "%2B%25%3D%26");
}

TEST(UrlEncoder, EncodesInputsPast64KiBWhole) {
    const std::string text(70000, ' ');
    EXPECT_EQ(FormEncode(text), std::string(70000, '+'));
}

TEST(UrlEncoder, EncodeIsComputedOnEveryCallAndRaisesNoError) {
    TUrlEncoder encoder;
    int errors = 0;
    encoder.OnError = [&](TUrlEncoder&, const std::string&, const std::string&) { ++errors; };
    encoder.InputString = "a b";
    EXPECT_EQ(encoder.Encode(), "a+b");
    encoder.InputString = "c/d";
    EXPECT_EQ(encoder.Encode(), "c%2Fd");
    EXPECT_EQ(errors, 0);
}

std::string Encode(const std::string& bytes, UUMethods method) { return TStreamEncoder::EncodeString(bytes, method); }

std::string Times(int n, const std::string& text) {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}

// MIME pads the last group like standard Base64 and breaks lines after 45 bytes; uuencode starts
// each line with its length, pads nothing, writes zero bits as a grave accent and ends with a
// grave line.
TEST(StreamEncoder, EncodesTheExactTextOfEachMethod) {
    const struct {
        std::string bytes;
        UUMethods method;
        std::string text;
    } rows[] = {
        {"Man", uuMime, "TWFu\r\n"},
        {"Ma", uuMime, "TWE=\r\n"},
        {"M", uuMime, "TQ==\r\n"},
        {std::string("\xFF\xFE\x00", 3), uuMime, "//4A\r\n"},
        {"", uuMime, ""},
        {std::string(45, 'a'), uuMime, Times(15, "YWFh") + "\r\n"},
        {std::string(46, 'a'), uuMime, Times(15, "YWFh") + "\r\nYQ==\r\n"},
        {std::string(90, 'a'), uuMime, Times(2, Times(15, "YWFh") + "\r\n")},
        {"", uuCode, "`\r\n"},
        {"Cat", uuCode, "#0V%T\r\n`\r\n"},
        {std::string(1, '\0'), uuCode, "!``\r\n`\r\n"},
        {std::string(46, 'a'), uuCode, "M" + Times(15, "86%A") + "\r\n!80\r\n`\r\n"},
    };
    for (const auto& row : rows) EXPECT_EQ(Encode(row.bytes, row.method), row.text) << row.bytes.size() << " bytes";
}

TEST(StreamEncoder, EncodesEveryLengthBackToItsInput) {
    std::string bytes;
    for (int n = 0; n < 200; ++n) {
        for (const UUMethods method : {uuMime, uuCode}) {
            const auto decoded = codec_oracle::Decode(Encode(bytes, method), method == uuCode);
            ASSERT_TRUE(decoded) << "length " << n << " method " << int(method);
            EXPECT_EQ(*decoded, bytes) << "length " << n;
        }
        bytes += static_cast<char>(n * 37 + 11);
    }
}

TEST(StreamEncoder, ReadsFromTheStartAndRewindsTheOutput) {
    std::istringstream input("xyzMan");
    input.seekg(3);
    std::stringstream output;
    std::vector<std::string> calls;
    TStreamEncoder encoder;
    encoder.InputStream = &input;
    encoder.OutputStream = &output;
    encoder.OnBeginEncode = [&](TStreamEncoder&) { calls.push_back("begin"); };
    encoder.OnEndEncode = [&](TStreamEncoder& sender) {
        calls.push_back("end");
        EXPECT_EQ(&sender, &encoder);
    };
    encoder.Encode();
    std::string read;
    std::getline(output, read);
    EXPECT_EQ(read, "eHl6TWFu\r");
    EXPECT_EQ(calls, (std::vector<std::string>{"begin", "end"}));
    // A second run over the same input gives the same text.
    encoder.Encode();
    EXPECT_EQ(output.str(), "eHl6TWFu\r\n");
}

// The end step runs whatever fails (a write, the rewind, the handler itself), and the failure
// reaches the caller.
TEST(StreamEncoder, RunsTheEndStepAndReportsItsFailures) {
    struct FailingBuffer : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    };
    // Takes every write but cannot seek.
    struct UnseekableBuffer : std::streambuf {
        int overflow(int c) override { return c; }
    };
    struct Case {
        const char* what;
        std::streambuf* buffer;
        bool handlerThrows;
    };
    FailingBuffer failing;
    UnseekableBuffer unseekable;
    std::stringstream seekable;
    for (const Case& c : {Case{"write fails", &failing, false}, Case{"rewind fails", &unseekable, false},
                          Case{"handler raises", seekable.rdbuf(), true}}) {
        SCOPED_TRACE(c.what);
        std::iostream output(c.buffer);
        output.exceptions(std::ios::badbit | std::ios::failbit);
        std::istringstream input("abc");
        bool ended = false;
        TStreamEncoder encoder;
        encoder.InputStream = &input;
        encoder.OutputStream = &output;
        encoder.OnEndEncode = [&](TStreamEncoder&) {
            ended = true;
            if (c.handlerThrows) throw std::runtime_error("handler");
        };
        EXPECT_ANY_THROW(encoder.Encode());
        EXPECT_TRUE(ended);
    }
    TStreamEncoder unassigned;
    EXPECT_THROW(unassigned.Encode(), std::invalid_argument);
}

TEST(StreamEncoder, Base64JoinsTheLines) {
    const std::string long_text(100, 'q');
    const std::string joined = TStreamEncoder::Base64(long_text);
    EXPECT_EQ(joined.find('\r'), std::string::npos);
    EXPECT_EQ(joined.size(), 136u);
    EXPECT_EQ(TStreamEncoder::Base64("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

}  // namespace
