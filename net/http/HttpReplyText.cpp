#include "net/http/HttpReplyText.h"

#include <algorithm>
#include <limits>

#include "net/http/ContentRange.h"
#include "net/http/HttpErrors.h"

namespace {

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits only, as large as the limit at most; otherwise -1.
std::int64_t PlainNumber(std::string_view digits, std::int64_t limit) {
    if (digits.empty()) return -1;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) return -1;
        if (value > (limit - (c - '0')) / 10) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The value of a "Name: value" line taken at a fixed place: after the name, its colon and
// one space; without the line end, cut to 256 characters.
std::string ValueAt(std::string_view line, std::size_t start) {
    const std::string_view value = WithoutLineEnd(line);
    if (start >= value.size()) return {};
    return std::string(value.substr(start, kMaxHeaderValue));
}

// "Content-Length:" and one character, then anything up to the first digit, then the digits.
// A number too big for the 64-bit counter gives 0 rather than a wrapped value.
std::int64_t ContentLength(std::string_view line, bool& usable) {
    const std::string upper = UpperAscii(line);
    // The line starts with "CONTENT-LENGTH: ", so the first "ENGTH:" is the name's own.
    std::size_t i = std::min(upper.find("ENGTH:") + 7, upper.size());
    while (i < upper.size() && !IsDigit(upper[i])) ++i;
    std::size_t end = i;
    while (end < upper.size() && IsDigit(upper[end])) ++end;
    const std::int64_t value =
        PlainNumber(std::string_view(upper).substr(i, end - i), std::numeric_limits<std::int64_t>::max());
    usable = value >= 0;
    return usable ? value : 0;
}

}  // namespace

bool ContinuesAt(const TReplyHeader& reply, std::int64_t offset) {
    if (reply.ReplyCode != 206 || offset <= 0 || reply.RangeFirst != offset) return false;
    if (reply.RangeTotal < 0 || reply.RangeLast != reply.RangeTotal - 1) return false;
    return !reply.HasContentLength || reply.BytesExpected == reply.RangeLast - reply.RangeFirst + 1;
}

TFileBody FileBodyUse(const TReplyHeader& reply, std::int64_t resumeFrom) {
    if (reply.ReplyCode == 200) return TFileBody::Replace;
    return resumeFrom > 0 && ContinuesAt(reply, resumeFrom) ? TFileBody::Append : TFileBody::Drop;
}

bool TReplyHeaderReader::TakeLine(std::string_view line) {
    if (done_) return true;
    bytes_ += line.size();
    if (++lines_ > kMaxReplyHeaderLines || bytes_ > kMaxReplyHeaderBytes) throw EHttpError(kReplyHeaderTooLarge);
    if (!statusRead_) {
        statusRead_ = true;
        TakeStatusLine(line);
        return false;
    }
    if (line.empty() || line == "\n" || line == "\r\n") {
        done_ = true;
        result_.HeaderComplete = !line.empty();
        return true;
    }
    TakeHeaderLine(line);
    return false;
}

// The code is the second field when the line is split at spaces. The line end is not part of
// it: "HTTP/1.0 404\r\n" is a 404, not an unreadable status counted as success.
void TReplyHeaderReader::TakeStatusLine(std::string_view line) {
    const std::string_view text = WithoutLineEnd(line);
    const std::size_t first = text.find(' ');
    if (first == std::string_view::npos) return;
    const std::size_t second = text.find(' ', first + 1);
    const std::string_view field =
        text.substr(first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
    const std::int64_t code = PlainNumber(field, std::numeric_limits<std::int16_t>::max());
    result_.ReplyCode = code < 0 ? 0 : static_cast<int>(code);
}

void TReplyHeaderReader::TakeHeaderLine(std::string_view line) {
    const std::string name = UpperAscii(line.substr(0, line.find(' ')));
    if (name == "SET-COOKIE:") {
        result_.ReceivedCookie = ValueAt(line, 12);
    } else if (name == "LOCATION:") {
        result_.RedirectLocation = ValueAt(line, 10);
    } else if (name == "CONTENT-LENGTH:") {
        bool usable = false;
        result_.BytesExpected = ContentLength(line, usable);
        result_.HasContentLength = usable;
    } else if (name == "CONTENT-RANGE:") {
        const auto range = ParseContentRange(WithoutLineEnd(line).substr(15));
        result_.RangeFirst = range ? range->First : -1;
        result_.RangeLast = range ? range->Last : -1;
        result_.RangeTotal = range ? range->Total : -1;
    }
}

std::vector<std::string> SplitReplyLines(std::string_view bytes, std::string* rest) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n', start)) {
        lines.emplace_back(bytes.substr(start, lf + 1 - start));
        start = lf + 1;
    }
    if (rest) *rest = std::string(bytes.substr(start));
    return lines;
}

TReplyHeader ReadReplyHeader(std::string_view reply, std::size_t* bodyOffset) {
    TReplyHeaderReader reader;
    std::size_t offset = 0, textEnd = 0;
    while (!reader.Done()) {
        const std::size_t lf = reply.find('\n', offset);
        // No complete line left: ReadLn sees the server close and returns the empty string.
        const std::string_view line =
            lf == std::string_view::npos ? std::string_view{} : reply.substr(offset, lf + 1 - offset);
        reader.TakeLine(line);
        textEnd = offset + line.size();
        offset = lf == std::string_view::npos ? reply.size() : lf + 1;
    }
    if (bodyOffset) *bodyOffset = offset;
    TReplyHeader result = reader.Result();
    result.HeaderText = std::string(reply.substr(0, textEnd));
    return result;
}

bool IsCompleteReply(const TReplyHeader& header, std::int64_t bodyBytes) {
    return header.HeaderComplete && (!header.HasContentLength || bodyBytes == header.BytesExpected);
}

std::string CompleteRedirectURL(const std::string& url, const std::string& host, int port, bool https) {
    if (url.find('/') != std::string::npos) return url;
    const int defaultPort = https ? 443 : 80;
    const std::string authority = port == defaultPort || port == 0 ? host : host + ":" + std::to_string(port);
    return (https ? "https://" : "http://") + authority + "/" + url;
}
