// Reading the reply header line by line as the engine feeds it, and the case-file loader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "net/http/HttpErrors.h"
#include "net/http/HttpReplyText.h"
#include "tests/net/http/HttpCase.h"

namespace {

TEST(ReplyHeaderReader, StopsAtTheBlankLineAndIgnoresLaterLines) {
    TReplyHeaderReader reader;
    EXPECT_FALSE(reader.TakeLine("HTTP/1.0 200 OK\r\n"));
    EXPECT_FALSE(reader.TakeLine("Content-Length: 7\r\n"));
    EXPECT_TRUE(reader.TakeLine("\n"));
    EXPECT_TRUE(reader.Done());
    EXPECT_TRUE(reader.TakeLine("Content-Length: 9\r\n"));
    EXPECT_EQ(reader.Result().BytesExpected, 7);
    EXPECT_TRUE(reader.Result().HasContentLength);
    EXPECT_EQ(ReadReplyHeader("HTTP/1.0 200 OK\r\nContent-Length: 7\r\n\nContent-Length: 9\r\n").HeaderText,
              "HTTP/1.0 200 OK\r\nContent-Length: 7\r\n\n");
}

// The header as a whole is bounded in lines and in bytes; a header just inside both is read.
TEST(ReplyHeaderReader, RefusesAHeaderPastItsBounds) {
    auto header = [](std::size_t lines, std::size_t lineSize) {
        std::string text = "HTTP/1.0 200 OK\r\n";
        const std::string line = "X: " + std::string(lineSize - 5, 'y') + "\r\n";
        for (std::size_t i = 0; i < lines; ++i) text += line;
        return text + "\r\n";
    };
    // Status line and blank line count too.
    EXPECT_TRUE(ReadReplyHeader(header(kMaxReplyHeaderLines - 2, 10)).HeaderComplete);
    EXPECT_THROW(ReadReplyHeader(header(kMaxReplyHeaderLines - 1, 10)), EHttpError);
    // 17 bytes of status line, 2 of blank line: lines of 65536 bytes fill the rest.
    const std::size_t room = kMaxReplyHeaderBytes - 19;
    std::string exact = header(room / 65536, 65536);
    exact.insert(17, "X: " + std::string(room % 65536 - 5, 'z') + "\r\n");
    EXPECT_EQ(exact.size(), kMaxReplyHeaderBytes);
    EXPECT_TRUE(ReadReplyHeader(exact).HeaderComplete);
    exact.insert(17, "!");
    EXPECT_THROW(ReadReplyHeader(exact), EHttpError);
}

TEST(ReplyHeaderReader, AnEmptyStatusLineIsCodeZeroAndTheNextEmptyLineEnds) {
    TReplyHeaderReader reader;
    EXPECT_FALSE(reader.TakeLine(""));  // the status line, even when empty, is never the end
    EXPECT_EQ(reader.Result().ReplyCode, 0);
    EXPECT_TRUE(reader.TakeLine(""));
    // A blank first line is the status line too: its code is 0.
    TReplyHeaderReader blank;
    EXPECT_FALSE(blank.TakeLine("\r\n"));
    EXPECT_EQ(blank.Result().ReplyCode, 0);
}

TEST(ReplyHeaderReader, StatusCodeIsTheSecondSpaceSeparatedField) {
    auto code = [](std::string_view line) {
        TReplyHeaderReader reader;
        reader.TakeLine(line);
        return reader.Result().ReplyCode;
    };
    EXPECT_EQ(code("HTTP/1.1 201 Created\r\n"), 201);
    EXPECT_EQ(code("HTTP/1.0 302\n"), 302);
    EXPECT_EQ(code("HTTP/1.0  200 OK\r\n"), 0);  // two spaces: the field between them is empty
    EXPECT_EQ(code("HTTP/1.0 2OO OK\r\n"), 0);
    EXPECT_EQ(code("HTTP/1.0 -200 OK\r\n"), 0);
    EXPECT_EQ(code("HTTP/1.0 32767 Max\r\n"), 32767);
    EXPECT_EQ(code("HTTP/1.0 32768 Over\r\n"), 0);
}

TEST(ReplyHeaderReader, ValuesAreTakenAfterNameColonAndOneSpace) {
    TReplyHeaderReader reader;
    reader.TakeLine("HTTP/1.0 302 Found\r\n");
    reader.TakeLine("Location:  /two-spaces\r\n");
    reader.TakeLine("Set-Cookie: " + std::string(300, 'c') + "\r\n");
    EXPECT_EQ(reader.Result().RedirectLocation, " /two-spaces");
    EXPECT_EQ(reader.Result().ReceivedCookie, std::string(256, 'c'));
    reader.TakeLine("X-Location: /no\r\n");
    reader.TakeLine(" Location: /no\r\n");
    reader.TakeLine("Location: \r\n");
    EXPECT_EQ(reader.Result().RedirectLocation, "");
}

TEST(ReplyHeaderReader, ContentLengthSkipsToTheFirstDigits) {
    auto length = [](std::string_view line) {
        TReplyHeaderReader reader;
        reader.TakeLine("HTTP/1.0 200 OK\r\n");
        reader.TakeLine(line);
        return reader.Result().BytesExpected;
    };
    EXPECT_EQ(length("Content-Length: 1234\r\n"), 1234);
    EXPECT_EQ(length("Content-Length:   77 bytes\r\n"), 77);
    EXPECT_EQ(length("CONTENT-LENGTH: 9223372036854775807\r\n"), 9223372036854775807LL);
    EXPECT_EQ(length("Content-Length: 9223372036854775808\r\n"), 0);
    EXPECT_EQ(length("Content-Length: \r\n"), 0);
    EXPECT_EQ(length("Content-Length: 12"), 12);  // a line cut by the close
}

TEST(SplitReplyLines, KeepsLineEndsAndReturnsTheUnfinishedRest) {
    std::string rest;
    const auto lines = SplitReplyLines("a\r\nb\n\nc", &rest);
    EXPECT_EQ(lines, (std::vector<std::string>{"a\r\n", "b\n", "\n"}));
    EXPECT_EQ(rest, "c");
}

TEST(RedirectRules, CodesAndBareNames) {
    EXPECT_TRUE(IsSuccessCode(0));
    EXPECT_TRUE(IsSuccessCode(298));
    EXPECT_FALSE(IsSuccessCode(299));
    EXPECT_TRUE(RunsAnotherPass(299) && RunsAnotherPass(399) && !RunsAnotherPass(400));
    EXPECT_TRUE(TakesLocation(302) && !TakesLocation(303));
    EXPECT_TRUE(IsRedirectCode(398) && !IsRedirectCode(399));
    EXPECT_EQ(CompleteRedirectURL("new.exe", "h", 80), "http://h/new.exe");
    EXPECT_EQ(CompleteRedirectURL("", "h", 8080), "http://h:8080/");
    EXPECT_EQ(CompleteRedirectURL("/x", "h", 8080), "/x");
    EXPECT_EQ(CompleteRedirectURL("new.exe", "h", 443, true), "https://h/new.exe");
    EXPECT_EQ(CompleteRedirectURL("new.exe", "h", 80, true), "https://h:80/new.exe");
    EXPECT_EQ(CompleteRedirectURL("new.exe", "h", 8443, true), "https://h:8443/new.exe");
}

TEST(HttpCaseFormat, UnescapesBytes) {
    EXPECT_EQ(UnescapeCaseText("a\\r\\n\\t\\\\\\x41\\xe9\\0"), std::string("a\r\n\t\\A\xE9\0", 8));
    EXPECT_THROW(UnescapeCaseText("\\"), std::runtime_error);
    EXPECT_THROW(UnescapeCaseText("\\x4"), std::runtime_error);
    EXPECT_THROW(UnescapeCaseText("\\q"), std::runtime_error);
}

TEST(HttpCaseFormat, MatchesEventPatterns) {
    const std::vector<std::string> events = {"AboutToSend", "Connect", "PacketRecvd", "PacketRecvd", "Success"};
    EXPECT_TRUE(EventsMatch("AboutToSend Connect PacketRecvd+ Success", events));
    EXPECT_TRUE(EventsMatch("AboutToSend Connect Disconnect* PacketRecvd* Success", events));
    EXPECT_FALSE(EventsMatch("AboutToSend Connect PacketRecvd Success", events));
    EXPECT_FALSE(EventsMatch("AboutToSend Connect PacketRecvd+ Success Disconnect+", events));
    EXPECT_TRUE(EventsMatch("", {}));
    EXPECT_FALSE(EventsMatch("", events));
}

// The server's directives, each as the loader hands it to the server, the connections a pass
// that serves several stands for, and the client's values and body.
TEST(HttpCaseFormat, LoadsTheServerDirectives) {
    const auto path = (std::filesystem::temp_directory_path() / "quorvane-directives.case").string();
    std::ofstream(path, std::ios::binary) << "[client]\ninput-file-mode: yes\ndata: @repeat 2 a\\0\n"
                                             "[request]\n@get /a\n[reply]\n@serves 2\nHTTP/1.0 200 OK\\r\\n\n"
                                             "@repeat 2 x\n@chunk\ny\n@trickle 30\nab\n@product-length x.bin +2\n"
                                             "@delay 5\ncd\n@hold\n[body]\n@repeat 3 z\n"
                                             "[request]\n[reply]\n@at-once\n@reset\n";
    const std::string product = (std::filesystem::temp_directory_path() / "x.bin").string();
    std::ofstream(product, std::ios::binary) << "12345";
    const THttpCase c = LoadHttpCase(path, std::filesystem::temp_directory_path().string());
    ASSERT_EQ(c.Passes.size(), 2u);
    const std::vector<std::pair<THttpAction::Kind, std::string>> expected = {
        {THttpAction::Send, "HTTP/1.0 200 OK\r\nxx"},
        {THttpAction::Send, "y"},
        {THttpAction::Trickle, "abContent-Length: 7\r\n"},
        {THttpAction::Delay, ""},
        {THttpAction::Send, "cd"},
        {THttpAction::Hold, ""}};
    ASSERT_EQ(c.Passes[0].Reply.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(c.Passes[0].Reply[i].What, expected[i].first) << i;
        EXPECT_EQ(c.Passes[0].Reply[i].Bytes, expected[i].second) << i;
    }
    EXPECT_EQ(c.Passes[0].Reply[2].Ms, 30);
    EXPECT_EQ(c.Passes[0].Reply[3].Ms, 5);
    EXPECT_EQ(c.Passes[0].ReplyBytes(), "HTTP/1.0 200 OK\r\nxxyabContent-Length: 7\r\ncd");
    EXPECT_TRUE(c.ClientFlag("input-file-mode"));
    EXPECT_EQ(c.ClientValue("data"), std::string("a\0a\0", 4));
    EXPECT_EQ(c.ClientValue("kind", "GET"), "GET");
    EXPECT_EQ(c.Body, "zzz");
    EXPECT_EQ(c.Passes[0].Request->rfind("GET /a HTTP/1.0\r\nHost: localhost\r\n", 0), 0u);
    EXPECT_TRUE(c.Passes[1].AtOnce);
    EXPECT_EQ(c.Passes[1].Reply.at(0).What, THttpAction::Reset);
    // Three connections: the first pass twice, then the one that does not read the request.
    const auto requests = c.ExpectedRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1], c.Passes[0].Request);
    EXPECT_EQ(requests[2], std::optional<std::string>(""));
    EXPECT_EQ(c.Scripts().size(), 3u);
    // Without a product folder the case still loads, marked.
    EXPECT_TRUE(LoadHttpCase(path).UsesProduct);
    EXPECT_FALSE(c.UsesProduct);
    std::filesystem::remove(path);
    std::filesystem::remove(product);
}

TEST(HttpCaseFormat, NamesTheFileAndLineOfAMistake) {
    const auto path = (std::filesystem::temp_directory_path() / "quorvane-bad.case").string();
    const auto load_error = [&](const std::string& text) -> std::string {
        std::ofstream(path, std::ios::binary) << text;
        try {
            LoadHttpCase(path);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "loaded";
    };
    EXPECT_EQ(load_error("[client]\nkind: GET\n[reply]\nx\n"),
              path + ":3: section outside a pass: start it with [request]");
    EXPECT_EQ(load_error("# c\n[client]\nno colon\n"), path + ":3: expected \"key: value\"");
    EXPECT_EQ(load_error("[nonsense]\n"), path + ":1: unknown section [nonsense]");
    EXPECT_EQ(load_error("[request]\n@repeat x\n"), path + ":2: @repeat <count> <text>");
    EXPECT_EQ(load_error("[request]\nGET\\r\\n\n"), "loaded");
    EXPECT_EQ(load_error("[request]\n[reply]\nx\n@at-once\n"), path + ":4: @at-once must come first");
    EXPECT_EQ(load_error("[request]\n[reply]\n@serves 0\n"), path + ":3: @serves needs at least 1");
    EXPECT_EQ(load_error("[request]\n[reply]\n@stall\n"), path + ":3: unknown directive @stall");
    EXPECT_EQ(load_error("[request]\n[parsed]\nstatus: 200\n"), path + ":3: unknown [parsed] key status");
    std::filesystem::remove(path);
}

// Only a 206 that carries exactly the rest of the file from the offset asked for continues it;
// every other answer to a range request restarts the file from its first byte.
TEST(ReplyHeaderReader, OnlyAMatchingPartialReplyContinuesAFile) {
    struct Case {
        const char* header;
        std::int64_t offset;
        bool continues;
    };
    const Case cases[] = {
        {"HTTP/1.0 206 Partial\r\nContent-Range: bytes 600-999/1000\r\nContent-Length: 400\r\n", 600, true},
        {"HTTP/1.0 206 Partial\r\ncontent-range: BYTES 600-999/1000\r\n", 600, true},
        {"HTTP/1.0 200 OK\r\nContent-Range: bytes 600-999/1000\r\n", 600, false},
        {"HTTP/1.0 206 Partial\r\nContent-Range: bytes 0-999/1000\r\n", 600, false},
        {"HTTP/1.0 206 Partial\r\nContent-Range: bytes 600-799/1000\r\n", 600, false},
        {"HTTP/1.0 206 Partial\r\nContent-Range: bytes 600-999/*\r\n", 600, false},
        {"HTTP/1.0 206 Partial\r\nContent-Range: bytes 600-999/1000\r\nContent-Length: 401\r\n", 600, false},
        {"HTTP/1.0 206 Partial\r\nContent-Range: bytes 600-999/1000\r\nContent-Range: junk\r\n", 600, false},
        {"HTTP/1.0 206 Partial\r\nContent-Range: bytes 999-600/1000\r\n", 999, false},
        {"HTTP/1.0 206 Partial\r\n", 600, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        EXPECT_EQ(ContinuesAt(ReadReplyHeader(std::string(c.header) + "\r\n"), c.offset), c.continues);
    }
}

}  // namespace
